/*
 * A sample Stratoquill expansion module, in plain C.
 *
 * It adds two commands to the modules' menu and registers an event that fires every 15
 * minutes (within the first minute of each quarter hour). Both commands read the
 * current station's database through the program's exported functions:
 *   command 0 ("Newest record")  prints the newest archive record's time, outside
 *                                temperature and barometer;
 *   command 1 ("Last day")       prints the high and low outside temperature of the
 *                                newest day and the time of the high.
 * The event writes a line into "download.log".
 *
 * Build (the program's functions stay undefined and are found in the running program):
 *   cc -fPIC -shared -I include -o sample_module.so examples/modules/sample_module.c
 * Install and try:
 *   stratoquill modules add sample_module.so
 *   stratoquill modules commands
 *   stratoquill modules run sample_module.so 0
 *
 * The defines SAMPLE_* let the program's tests build faulty variants of this module.
 */
#include <stdio.h>
#include <string.h>

#include "stratoquill/module.h"

#ifndef SAMPLE_ID
#define SAMPLE_ID 0x5A3701
#endif
#ifndef SAMPLE_REQUIRED
#define SAMPLE_REQUIRED 0x050509
#endif
#ifndef SAMPLE_INIT_RESULT
#define SAMPLE_INIT_RESULT 1
#endif

#define SAMPLE_VERSION 0x010000
#define OUTSIDE_TEMP 0x00000000u
#define BAROMETER 0x000400E0u
#define DAY_HIGH_TEMP 0x00001000u /* statistic 4: day high */
#define DAY_LOW_TEMP 0x00001800u  /* statistic 6: day low */

static uint32_t event_id;
static int event_firings;

#ifndef SAMPLE_NO_CAPS
int SquillExpModuleCaps(int which) {
  switch (which) {
    case SQ_CAPS_ID: return SAMPLE_ID;
    case SQ_CAPS_VERSION: return SAMPLE_VERSION;
    case SQ_CAPS_REQUIRED: return SAMPLE_REQUIRED;
    case SQ_CAPS_COMMANDS: return 2;
    case SQ_CAPS_EXTRA: return 0;
    default: return 0;
  }
}
#endif

#ifndef SAMPLE_NO_STRS
const char* SquillExpModuleStrs(int which) {
  return which == SQ_STRS_DESCRIPTION ? "Sample module: newest record and last day" : "";
}
#endif

static void OnQuarterHour(intptr_t context, int count, const uint32_t* ids) {
  char text[96];
  (void)ids;
  ++event_firings;
  snprintf(text, sizeof text, "Sample event fired at minute %d (%d event%s, firing %d)", (int)context, count,
           count == 1 ? "" : "s", event_firings);
  LogModuleMessage(text, "Sample module");
}

#ifndef SAMPLE_NO_INIT
int SquillExpModuleInit(int what) {
  if (what == SQ_INIT_START) {
    SqModuleEvent ev;
    memset(&ev, 0, sizeof ev);
    ev.repeat = 1;
    ev.period = 15;
    ev.start = 0;
    ev.window = 0;
    ev.callback = OnQuarterHour;
    event_id = AddModuleEvent(&ev);
    if (event_id == 0 || SAMPLE_INIT_RESULT == 0) return 0;
  } else if (what == SQ_INIT_LOADED) {
    AddMenuCommand(SAMPLE_ID, SQ_MENU_MODULES, "Newest record", 0);
    AddMenuCommand(SAMPLE_ID, SQ_MENU_MODULES, "", -1);
    AddMenuCommand(SAMPLE_ID, SQ_MENU_MODULES, "Last day", 1);
  } else if (what == SQ_INIT_SHUTDOWN) {
    if (event_id != 0) RemoveModuleEvent(event_id);
    event_id = 0;
  }
  return 1;
}
#endif

#ifndef SAMPLE_NO_COMMANDS
const char* SquillExpModuleCommands(int index) {
  switch (index) {
    case 0: return "SampleNewestRecord";
    case 1: return "SampleLastDay";
    default: return "";
  }
}
#endif

void SampleNewestRecord(void) {
  char temp[SQ_TEXT_SIZE], bar[SQ_TEXT_SIZE], date[48], time[16], unit[16];
  int db = GetDatabaseHandle();
  int rec = GetWeatherDataHandle();
  int n;
  if (db < 0 || rec < 0) {
    printf("No station database.\n");
  } else if ((n = NumberOfRecordsInDataBase(db)) <= 0) {
    printf("The database holds no archive records.\n");
  } else if (GetRecord(db, rec, n - 1) != 0) {
    printf("Could not read archive record %d.\n", n - 1);
  } else {
    GetRecordDateStr(rec, date, sizeof date);
    GetRecordTimeStr(rec, time, sizeof time);
    GetWeatherDataStr(rec, OUTSIDE_TEMP, temp, sizeof temp);
    GetWeatherDataStr(rec, BAROMETER, bar, sizeof bar);
    GetUnitStr(OUTSIDE_TEMP, unit, sizeof unit);
    printf("Newest record %d: %s %s, outside %s %s, barometer %s\n", n - 1, date, time, temp, unit, bar);
  }
  if (rec > 0) DestroyWeatherDataHandle(rec);
  if (db > 0) DestroyDatabaseHandle(db);
}

void SampleLastDay(void) {
  char high[SQ_TEXT_SIZE], low[SQ_TEXT_SIZE], at[16];
  int db = GetDatabaseHandle();
  int sum = GetDailySummaryHandle();
  int days;
  if (db < 0 || sum < 0) {
    printf("No station database.\n");
  } else if ((days = NumberOfDaysInDatabase(db)) <= 0) {
    printf("The database holds no days.\n");
  } else if (GetDailySummaryIndex(db, sum, days - 1) != 1) {
    printf("The newest day has no summary.\n");
  } else {
    int year = 0, month = 0, day = 0;
    DayInfo(db, days - 1, &year, &month, &day, NULL);
    GetSummaryDataStr(sum, DAY_HIGH_TEMP, high, sizeof high);
    GetSummaryDataStr(sum, DAY_LOW_TEMP, low, sizeof low);
    GetSummaryTimeStr(sum, DAY_HIGH_TEMP, at, sizeof at);
    printf("Day %04d-%02d-%02d: high %s at %s, low %s\n", year, month, day, high, at, low);
  }
  if (sum > 0) DestroyDailySummaryHandle(sum);
  if (db > 0) DestroyDatabaseHandle(db);
}
