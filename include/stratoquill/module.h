/*
 * Stratoquill expansion modules: the contract between the program and a module.
 *
 * A module is a shared library (".so") in the program folder's "Expansion_Modules"
 * folder, listed in "Expansion_Modules/ModuleList.dat" (see `stratoquill modules`).
 * The program loads it with dlopen(RTLD_NOW | RTLD_LOCAL) at start-up of
 * `stratoquill run` and releases it at shut-down. Modules run with the program's rights:
 * a module file or folder that other users may write to is refused.
 *
 * Calling convention: every entry point and every exported function has C linkage and
 * the platform's one C calling convention (System V on x86-64 and AArch64 Linux). A
 * module is built with -fPIC -shared and leaves the program's functions undefined: they
 * are resolved against the running executable when the module is loaded.
 *
 *   cc -fPIC -shared -I<repo>/include -o mymodule.so mymodule.c
 *
 * Text: UTF-8, terminated by a zero byte. Functions that write text into a caller's
 * buffer take its length where the argument list allows; the value-text functions of
 * the "units" family write at most SQ_TEXT_SIZE bytes (terminator included).
 *
 * Names: the functions below are resolved by name in the running program, which comes
 * first: a module must not define functions of the same names (nor of the entry
 * points' names for anything else).
 *
 * Threads: everything runs on the program's one thread. Exported functions may be
 * called only from an entry point, a command function or an event callback.
 *
 * Internal units (what the database holds and the Calc* functions take): temperature
 * in degrees F, humidity in percent, wind speed in mph, barometer in inches of mercury,
 * rain in inches, solar radiation in W/m2. -32768.0 is the missing value of every float.
 * Display units are the user's choice (see Get*Unit); Convert* functions move between
 * the two.
 *
 * Results: where not said otherwise 0 is success and -1 failure. Handles (databases,
 * record objects, summaries) are positive integers; a handle that names nothing gives
 * SQ_BAD_HANDLE (-1600), an index out of range SQ_BAD_INDEX (-1601). Float functions
 * that take a handle give -1600.0 for a bad handle.
 */
#ifndef STRATOQUILL_MODULE_H
#define STRATOQUILL_MODULE_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The program's module interface version, major * 65536 + minor * 256 + patch. */
#define SQ_INTERFACE_VERSION 0x050509

#define SQ_BAD_HANDLE (-1600)
#define SQ_BAD_INDEX (-1601)
#define SQ_MISSING (-32768.0f)
/* Every value text written by the units family fits in this many bytes. */
#define SQ_TEXT_SIZE 32

/* ---------------------------------------------------------------------------------
 * Entry points a module exports (looked up by name; all four must exist).
 * --------------------------------------------------------------------------------- */

/* SquillExpModuleCaps(which):
 *   1 -> module identifier (unique among the loaded modules, not 0)
 *   2 -> module version
 *   3 -> lowest interface version required (a module asking for more than
 *        SQ_INTERFACE_VERSION is refused and disabled)
 *   5 -> number of commands (0 .. 3999)
 *   6 -> a further capability value the program keeps */
typedef int (*SqModuleCapsFn)(int which);
/* SquillExpModuleStrs(which): 2 -> the module's description (one line). */
typedef const char* (*SqModuleStrsFn)(int which);
/* SquillExpModuleInit(what): 1 -> initialise (return 0 on failure: the module is
 * released and disabled), 2 -> loading finished, 4 -> shut down (called before the
 * library is released). The module calls AddMenuCommand and AddModuleEvent from 1 or 2. */
typedef int (*SqModuleInitFn)(int what);
/* SquillExpModuleCommands(i): name of the exported function that runs command i,
 * i = 0 .. commands - 1. That function takes no arguments and returns nothing. */
typedef const char* (*SqModuleCommandsFn)(int index);
typedef void (*SqModuleCommandFn)(void);

#define SQ_CAPS_ID 1
#define SQ_CAPS_VERSION 2
#define SQ_CAPS_REQUIRED 3
#define SQ_CAPS_COMMANDS 5
#define SQ_CAPS_EXTRA 6
#define SQ_STRS_DESCRIPTION 2
#define SQ_INIT_START 1
#define SQ_INIT_LOADED 2
#define SQ_INIT_SHUTDOWN 4

/* ---------------------------------------------------------------------------------
 * Module services
 * --------------------------------------------------------------------------------- */

/* Menu locations of AddMenuCommand. The menus are named groups of the command listing
 * (`stratoquill modules commands`); the location code is kept with the command. */
#define SQ_MENU_FIRST_1 1   /* first menu, first insertion point */
#define SQ_MENU_FIRST_2 2   /* first menu, second insertion point */
#define SQ_MENU_SECOND_1 11 /* second menu, first insertion point */
#define SQ_MENU_SECOND_2 12 /* second menu, second insertion point */
#define SQ_MENU_THIRD 21    /* third menu */
#define SQ_MENU_MODULES 31  /* the modules' menu */
#define SQ_MENU_AFTER 41    /* the menu after the modules' menu */
#define SQ_MENU_NEW 51      /* a new top-level menu at the modules' position */

/* Adds command `commandIndex` of module `moduleId` to the menus at `location` under
 * `text` (a negative index adds a separator). Its command number is 42000 + the module's
 * first command number + commandIndex. 0; -1 unknown module; -2 index not below the
 * module's command count (indexes below 1 are always accepted); -3 unknown location. */
int AddMenuCommand(int moduleId, int location, const char* text, int commandIndex);

/* A timed event. `context` is the time of the check in minutes after midnight
 * (0..1439); `ids` holds the `count` identifiers of this callback's events that are due. */
typedef void (*SqEventCallback)(intptr_t context, int count, const uint32_t* ids);

typedef struct SqModuleEvent {
  uint32_t id;              /* 0: the program assigns the next free number */
  uint8_t repeat;           /* 0 one-shot (removed after it fired), else repeating */
  uint8_t armed;            /* internal: fired in the current window */
  int16_t period;           /* minutes between firings, 0..1440 (0: none; 1: every minute) */
  int16_t start;            /* minutes after midnight, 0..1439 */
  int16_t window;           /* minutes after each due time during which it may fire, >= 0,
                               less than the period when the period is positive */
  int16_t last;             /* internal: minute of the last firing, -1 none */
  SqEventCallback callback; /* not null */
} SqModuleEvent;

/* Events are checked every 20 seconds while `stratoquill run` runs and no job (a
 * download) is running. At most 128 events exist.
 * AddModuleEvent -> the event's identifier; 0 for a null pointer, a full table or a
 *   field out of range. An identifier that exists already modifies that event.
 * FindModuleEvent -> identifier of the matching event (by id, or when id is 0 by all
 *   other settings), 0 when none.
 * RemoveModuleEvent, ModifyModuleEvent -> 1 done, 0 no such event (or bad fields).
 * GetEventCount -> number of events. */
uint32_t AddModuleEvent(SqModuleEvent* event);
uint32_t FindModuleEvent(const SqModuleEvent* event);
int RemoveModuleEvent(uint32_t id);
int ModifyModuleEvent(uint32_t id, const SqModuleEvent* event);
int GetEventCount(void);

/* Writes a line into the program folder's "download.log"; 0 or -1. */
int LogModuleMessage(const char* text, const char* title);
/* There are no message boxes: the text goes to stderr titled "Error", and into
 * "download.log" while the program runs unattended. */
void ErrorBox(const char* text);
/* No busy indicator or mouse cursor exists: these do nothing. */
void ModuleSpinCups(void);
void RestoreCursor(void);

/* ---------------------------------------------------------------------------------
 * Program and station
 * --------------------------------------------------------------------------------- */

/* 1 -> program folder, 2 -> current station's folder, 3 -> station name, other ->
 * "". The text stays valid until the next call with the same `which`. */
const char* GetStratoquillStrs(int which);
/* Make the program folder / the station folder the current folder; 0 or -1. */
int SetProgDir(void);
int SetStatDir(void);
/* Station model code 0..7, -1 when no station is open. */
int GetStationModel(void);
/* 0 -> first sensor word, 2 or more -> second word, 1 or negative -> 0. */
uint32_t GetStationSensorMask(int which);
/* Serial port number when the station dials through a modem, else -1. */
int GetStationModemPort(void);
/* Closes the current station's console connection (the next use reopens it). */
void CloseStationComPort(void);
/* Saves the station's settings: 1 saved, 0 not. */
int SaveStation(void);
/* Reopens the station's database (handles stay valid); 0 or -1. */
int ResetStationDB(void);
/* Hands `value` to the alarm settings of the current conditions. */
void SetStationAlarms(int value);

/* ---------------------------------------------------------------------------------
 * Console values (through the station's connection; they wait for the console)
 * --------------------------------------------------------------------------------- */

/* The console's current values: the 99-byte real-time packet as the console sends it
 * ("LOOP" packet, little-endian fields; the console applies its own calibration).
 * Current console family only; older families answer 0. 1 success, 0 failure, no
 * station or a null pointer. Takes a few seconds: the console is woken and asked. */
#define SQ_SENSOR_IMAGE_SIZE 99
typedef struct SqSensorImage {
  uint8_t packet[SQ_SENSOR_IMAGE_SIZE];
} SqSensorImage;
int GetCalibratedSensorImage(SqSensorImage* state);
/* The same, then the console's alarm settings into `alarms` (SQ_ALARM_BLOCK_SIZE
 * bytes; may be null). */
int GetCalibratedSensorImageWAlarms(SqSensorImage* state, uint8_t* alarms);
/* The console's 94-byte alarm threshold block (current family); 1 or 0. */
#define SQ_ALARM_BLOCK_SIZE 94
int GetCorvaleAlarmValues(uint8_t* buffer);
/* Older console families: not available on this system, always 0. */
int GetBrisantAlarmValues(uint8_t* buffer);

/* ---------------------------------------------------------------------------------
 * Internet settings and dial-up
 * --------------------------------------------------------------------------------- */

#define SQ_INET_CONFIG_SIZE 6144
/* The station's internet settings record (SQ_INET_CONFIG_SIZE bytes), null when no
 * station is open or the settings are not available. Valid until the next call. */
const void* GetInetConfig(void);
/* Writes a SQ_INET_CONFIG_SIZE-byte record as the station's internet settings; 1 or 0. */
int SetInetConfig(const void* record);
/* There is no dial-up networking: DialInet and HangupInet do nothing and answer 1
 * (connected, as without a remote-access library); GetRASdllOK answers 0 (not loaded)
 * and GetRASInstance null. */
int DialInet(void);
int HangupInet(void);
int GetRASdllOK(void);
void* GetRASInstance(void);

/* ---------------------------------------------------------------------------------
 * Report settings: blocks of SQ_REPORT_DATA_SIZE bytes kept with the station (in its
 * "ModuleReports.dat") for the modules' hour-count reports (temperature-humidity,
 * soil, chill, leaf-wetness and sunshine hours, ET, degree days). The program does not
 * interpret them; a block never written reads as zeros. Get: 1 (block copied) or 0;
 * Set: 1 (saved) or 0.
 * --------------------------------------------------------------------------------- */
#define SQ_REPORT_DATA_SIZE 256
int GetThHoursReportData(void* block);
int SetThHoursReportData(const void* block);
int GetSoilHoursReportData(void* block);
int SetSoilHoursReportData(const void* block);
int GetChillHoursReportData(void* block);
int SetChillHoursReportData(const void* block);
int GetLeafHoursReportData(void* block);
int SetLeafHoursReportData(const void* block);
int GetSunHoursReportData(void* block);
int SetSunHoursReportData(const void* block);
int GetEtReportData(void* block);
int SetEtReportData(const void* block);
int GetDdReportData(void* block);
int SetDdReportData(const void* block);

/* ---------------------------------------------------------------------------------
 * Units and conversions. `direction` 0: internal -> display units; 1: display ->
 * internal; other: -32768.0. ConvertRain also takes 2: `value` is a tip count of the
 * station's rain collector, answered in inches.
 * --------------------------------------------------------------------------------- */
float ConvertTemp(float value, int direction);      /* degF <-> user unit */
float ConvertBar(float value, int direction);       /* inHg <-> user unit */
float ConvertSpeed(float value, int direction);     /* mph <-> user unit */
float ConvertRain(float value, int direction);      /* in <-> user unit */
float ConvertRate(float value, int direction);      /* in/hr <-> user unit */
float ConvertElevation(short value, int direction); /* ft <-> user unit */
float ConvertDegDay(float value, int direction);    /* degF-days <-> user unit */

/* Unit codes: temperature 0 degF 1 degC; barometer 0 in 1 mm 2 mb 3 hPa; wind 0 mph
 * 1 knots 2 km/h 3 m/s; rain 0 in 1 mm; elevation 0 m 1 ft; density 0 lb/cu.ft
 * 1 kg/cu.m; humidity precision 0 or 1 decimals. A code out of range is ignored.
 * The Set* functions change the live settings; Get* answer the saved settings (the
 * humidity precision: the live one). SaveUnits saves the live settings into the
 * program configuration in memory, RestoreUnits applies the saved ones. */
void SetTempUnit(int code);
void SetBarUnit(int code);
void SetWindSpeedUnit(int code);
void SetRainUnit(int code);
void SetElevUnit(int code);
void SetDensityUnit(int code);
void SetHumPrecision(int decimals);
int GetTempUnit(void);
int GetBarUnit(void);
int GetWindSpeedUnit(void);
int GetRainUnit(void);
int GetElevUnit(void);
int GetDensityUnit(void);
int GetHumPrecision(void);
void SaveUnits(void);
void RestoreUnits(void);

/* ---------------------------------------------------------------------------------
 * Value text. Each writes into `buf` (at least SQ_TEXT_SIZE bytes) and returns it;
 * "---" for a missing value. `native` non-zero: the value is in display units already,
 * else it is converted from internal units first.
 * --------------------------------------------------------------------------------- */
/* Unit text of a weather-data identifier's unit class ("" when none), at most len-1
 * characters. */
char* GetUnitStr(uint32_t dataId, char* buf, int len);
char* TempStr(float degF, char* buf, int native);
char* SpeedStr(float mph, char* buf, int native);
char* DomDirStr(int sector, char* buf); /* 0..15 = N, NNE, ... NNW */
char* HumStr(float percent, char* buf);
char* BarStr(float inHg, char* buf, int native);
char* BarTrendStr(int trend, char* buf); /* the console's trend code */
char* RainStr(float inches, char* buf, int native);
char* ETStr(float inches, char* buf, int native);
char* SolarRadStr(float wattsPerM2, char* buf);
char* UVStr(short tenths, char* buf);
char* LeafSoilStr(short value, char* buf);
char* GetAirDensityStr(float density, char* buf);
/* Decimals shown for a weather-data identifier. */
int NumDecimals(uint32_t dataId);
/* Name text `which` (0..3) / colour `which` of an identifier in the station's browser
 * data list: 1 found, 0 not listed, -1601 for `which` outside 0..3 or a null output. */
int GetSensorName(uint32_t dataId, int which, char* buf, int len);
int GetSensorColor(uint32_t dataId, int which, uint32_t* color);

/* ---------------------------------------------------------------------------------
 * Derived quantities, in internal units (degF, %, mph, inHg, W/m2).
 * --------------------------------------------------------------------------------- */
float CalcDew(float degF, float humidity);
float CalcChill(float degF, float mph);
float CalcHeat(float degF, float humidity);
float CalcTHW(float degF, float humidity, float mph);
float CalcTHSW(float degF, float humidity, float mph, float solar);
/* In the user's density unit. */
float CalcAirDensity(float degF, float inHg, float humidity);
/* Equilibrium moisture content of wood, percent. */
float CalcEMC(float degF, float humidity);

/* ---------------------------------------------------------------------------------
 * Database. A database handle names the current station's database; record handles
 * hold one 88-byte record with its date; summary handles hold one day's two summary
 * records. Handles live until destroyed or until the module is released. Dates are
 * month 1..12, day 1..31, year (four digits); times are packed: hour * 60 + minute,
 * 1..1440 for archive records. Record numbers count every record, archive numbers
 * only archive records, both from 0 over the months in date order.
 * Writes hold the station's writer lock and are flushed to disk before they return; a
 * write while another program writes the station fails with -1 (0 for the summary
 * writes).
 * --------------------------------------------------------------------------------- */
/* A handle to the current station's database, opening it when needed; -1 when no
 * station is open or its database cannot be opened. Destroying it does not close the
 * database. 0 or -1600. */
int GetDatabaseHandle(void);
int DestroyDatabaseHandle(int db);
/* A new record object (a reset archive record) / daily summary object; -1 when the
 * program runs out of handles (4096 of each kind). Destroy: 0 or -1600. */
int GetWeatherDataHandle(void);
int DestroyWeatherDataHandle(int rec);
int GetDailySummaryHandle(void);
int DestroyDailySummaryHandle(int sum);

/* Counts: months, days with data, archive records; or -1600. */
int NumberOfMonthsInDatabase(int db);
int NumberOfDaysInDatabase(int db);
int NumberOfRecordsInDataBase(int db);
/* Year and month of month `index` (0 = oldest): 0, -1600, -1601. */
int MonthInfo(int db, int index, int* year, int* month);
/* Date of day `index` (0 = oldest) and its record count (summaries included, or the
 * negative Goto code): 0, -1600, -1601. Null outputs are skipped. */
int DayInfo(int db, int index, int* year, int* month, int* day, int* count);
/* Positions on a day: its first record number; -5 month not in the database, -2 day
 * without data, -1 error, -1600. */
int Goto(int db, int month, int day, int year);
/* The same, answering the day's record count (summaries included). */
int GotoDay(int db, int month, int day, int year);
/* Archive number of the archive record nearest the moment; -1 none, -1600. */
int GetClosestArchive(int db, int month, int day, int year, int packedTime);
/* Reads archive record `archiveNumber` into record object `rec`: 0, -1, -1600. */
int GetRecord(int db, int rec, int archiveNumber);
/* Reads the next record after the last positioning or read (summary records too; see
 * GetRecordType): 0, -2 at the end of the month, -1, -1600. */
int GetNextRecord(int db, int rec);
/* Date and packed time of the record last read: 1, or 0 when none was read; -1600. */
int GetDateLastRead(int db, int* year, int* month, int* day, int* packedTime);
/* Date and time of the first archive record / the last record: 0, -1600. */
int GetFirstDate(int db, int* year, int* month, int* day, int* packedTime);
int GetLastDate(int db, int* year, int* month, int* day, int* packedTime);
/* Record type of the record object: 1 archive, 2 and 3 summaries; -1600. */
int GetRecordType(int rec);
/* Overwrites archive record `archiveNumber` with the record object: 0, -1, -1600. */
int EditArchiveRecord(int db, int rec, int archiveNumber);
/* Appends the record object as a new archive record at its date and time (see
 * SetRecordDate); only records newer than the newest stored one: 0, -1, -1600. */
int AppendArchiveRecord(int db, int rec);
/* Stores the summary's two records as its day's summaries (overwriting the day's or,
 * for a day without data, appending them): 1 or 0; -1600. */
int EditSummaryRecord(int db, int sum);
int AppendSummaryRecord(int db, int sum);
/* Loads a day's summary by date / by day index (0 = oldest): 1 or 0; -1600; -1601. */
int GetDailySummary(int db, int sum, int month, int day, int year);
int GetDailySummaryIndex(int db, int sum, int index);

/* Values of a record object: in the user's units, or with `native` non-zero in the
 * record's own units; -32768.0 when the record has none; -1600.0 for a bad handle. */
float GetWeatherData(int rec, uint32_t dataId, int native);
/* Display text of the value into buf (len bytes): 0, -1600. */
int GetWeatherDataStr(int rec, uint32_t dataId, char* buf, int len);
/* Stores a value: 1 stored, 0 refused, -1600. */
int SetWeatherData(int rec, uint32_t dataId, float value, int native);
/* Stores the rain word from a tip count and a collector type 0..6: 1, 0 out of range,
 * -1600. */
int SetRainData(int rec, int clicks, int collectorType);
/* The record's packed time; -1600. */
int GetRecordPackedTime(int rec);
/* The record's date / time as display text, the time as export text: 0, -1600. */
int GetRecordDateStr(int rec, char* buf, int len);
int GetRecordTimeStr(int rec, char* buf, int len);
int GetExportRecordTimeStr(int rec, char* buf, int len);
/* Dates the record object and sets its packed time (1..1440): 0, -1 invalid, -1600. */
int SetRecordDate(int rec, int month, int day, int year, int packedTime);
/* The record's note flag (0/1) and the path of its note file; -1600. */
int GetNoteStatus(int rec);
int SetNoteStatus(int rec, int on);
int GetNoteFileName(int rec, char* buf, int len);
/* The record's edited flag (0/1); -1600. */
int GetRecordEditStatus(int rec);
int SetRecordEditStatus(int rec, int on);

/* Day values of a summary object (statistics 4..9 of the identifier), as above. */
float GetSummaryData(int sum, uint32_t dataId, int native);
int GetSummaryDataStr(int sum, uint32_t dataId, char* buf, int len);
/* Packed time of the day's high or low the identifier names; -32768 none; -1600. */
int GetSummaryTimeValue(int sum, uint32_t dataId);
int GetSummaryTimeStr(int sum, uint32_t dataId, char* buf, int len);
int GetExportSummaryTimeStr(int sum, uint32_t dataId, char* buf, int len);
/* Building a summary: ResetSummary starts the day (0, -1 invalid date, -1600);
 * SummarizeDataRecord adds a record object (1, 0 not accumulating or not an archive
 * record, -1600); FinalSummarizeData turns sums into averages (1, 0, -1600);
 * IsSameDate (1 same day, 0 not, -1600). */
int ResetSummary(int sum, int month, int day, int year);
int SummarizeDataRecord(int sum, int rec);
int FinalSummarizeData(int sum);
int IsSameDate(int sum, int month, int day, int year);

#ifdef __cplusplus
}
#endif

#endif /* STRATOQUILL_MODULE_H */
