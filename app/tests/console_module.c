/* A test module with one command that reads the console through the program: the
 * current values (real-time packet) and the alarm block, and the station's internet
 * settings; and an event every minute that logs what it could reach, to show the run
 * loop's event check with the real-time session paused around it. */
#include <stdio.h>

#include "stratoquill/module.h"

int SquillExpModuleCaps(int which) {
  switch (which) {
    case SQ_CAPS_ID: return 0xC0;
    case SQ_CAPS_VERSION: return 1;
    case SQ_CAPS_REQUIRED: return SQ_INTERFACE_VERSION;
    case SQ_CAPS_COMMANDS: return 1;
    default: return 0;
  }
}
const char* SquillExpModuleStrs(int which) { return which == SQ_STRS_DESCRIPTION ? "Console test" : ""; }
static void EveryMinute(intptr_t context, int count, const uint32_t* ids) {
  char text[128];
  SqSensorImage image;
  const void* inet = GetInetConfig();
  (void)ids;
  SetStationAlarms(7);
  snprintf(text, sizeof text, "Console test event at minute %d (%d): console %d, internet settings %d",
           (int)context, count, GetCalibratedSensorImage(&image), inet != NULL);
  LogModuleMessage(text, "Console test");
}

int SquillExpModuleInit(int what) {
  if (what == SQ_INIT_START) {
    SqModuleEvent ev = {0, 1, 0, 1, 0, 0, -1, EveryMinute};
    if (AddModuleEvent(&ev) == 0) return 0;
  }
  return 1;
}
const char* SquillExpModuleCommands(int index) { return index == 0 ? "ConsoleValues" : ""; }

void ConsoleValues(void) {
  SqSensorImage image;
  uint8_t alarms[SQ_ALARM_BLOCK_SIZE];
  if (GetCalibratedSensorImageWAlarms(&image, alarms) != 1) {
    printf("no console values\n");
    return;
  }
  const int temp = (int16_t)(image.packet[12] | (image.packet[13] << 8));
  printf("packet %c%c%c outside %d.%d\n", image.packet[0], image.packet[1], image.packet[2], temp / 10, temp % 10);
  printf("alarms read\n");
  printf("model %d\n", GetStationModel());
  {
    const void* inet = GetInetConfig();
    printf("internet settings %s, written back %d\n", inet ? "read" : "missing", inet ? SetInetConfig(inet) : 0);
  }
}
