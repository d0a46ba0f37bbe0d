// The TAP API exactly as the receiver's binary interface has it. Every TAP_* is a
// function-pointer variable of libtap.so, filled by libtap's __TAP_Init through the getter the
// firmware passes; TAPs import the variables as data and call through them. The records have
// the receiver's layouts: the static_asserts hold them for the 32-bit MIPS ABI; the PC build
// keeps the field order with its own pointer size.
// TAP code includes this header and platform/firmware.h, nothing else of the receiver.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "tap_api_table.h"

typedef uint8_t byte;
typedef uint16_t word;
typedef uint32_t dword;
typedef int64_t long64;

#if UINTPTR_MAX == 0xFFFFFFFFu
#define TAP_ABI_32 1 // the receiver's (o32) layouts can be checked
#endif

// Events (low 16 bits of the event code).
enum : word {
    EVT_IDLE = 0x0000,
    EVT_KEY = 0x0100,
    EVT_SERVICE = 0x0300, // result: the first parameter
    EVT_STOP = 0x0900,
    EVT_TAPMSG = 0x0B00, // control message from another TAP
};

// Key code bits.
enum : dword {
    KEY_BASE = 0x10000,
    KEY_REPEAT = 0x1000000,
    KEY_RELEASE = 0x2000000,
    KEY_TAP_MARK = 0x400000,
};

// File attributes of TAP_Hdd_Create and the folder search.
enum : byte {
    ATTR_FILE = 0xD0,
    ATTR_FOLDER = 0xE0,
};

enum : int {
    CHANNEL_Sub = 0,
    CHANNEL_Main = 1,
};

// OSD planes of TAP_Osd_GetPlaneBaseInfo and pixel formats.
enum : byte {
    BASE_PLANE = 0, // the firmware's OSD and teletext
    SUBT_PLANE = 1,
    TAP_PLANE = 2,
};
enum : dword {
    OSD_1555 = 0,
    OSD_8888 = 1, // 0xAARRGGBB
    OSD_256 = 2,
};

enum TYPE_TapSysOsdId : int {
    SYSOSD_InfoBox,
    SYSOSD_PvrInfo,
    SYSOSD_VolumeBar,
    SYSOSD_ServiceStatus,
};

enum : int {
    SYSVAR_OsdLan = 1, // TAP_GetSystemVar: menu language, 2 = German
};

enum { MAX_FILE_NAME_SIZE = 127 };

// An open file (TAP_Hdd_Fopen). The firmware's handle record names the file (platform/
// firmware.h).
struct TYPE_File {
    dword info;
    dword time;  // MJD << 16 | hour << 8 | minute (local time)
    long64 size; // bytes
    char name[MAX_FILE_NAME_SIZE + 1];
    void* handle;
};

// One entry of the folder search (TAP_Hdd_FindFirst/FindNext); longer names arrive cut.
struct TYPE_FolderEntry {
    dword attr; // ATTR_FILE or ATTR_FOLDER
    dword info;
    dword time; // MJD << 16 | hour << 8 | minute (local time)
    long64 size;
    char name[MAX_FILE_NAME_SIZE + 1];
};

struct TYPE_TapEvent {
    word evtId;
    dword startTime; // MJD << 16 | hour << 8 | minute
    dword endTime;
    word duration; // hour << 8 | minute
    byte runningStatus;
    char eventName[128];
    char description[128];
    byte parentalRating;
    byte satIdx;
    word svcId;
    word orgNetId;
    word tsId;
};

// Play modes of TAP_Hdd_GetPlayInfo.
enum : byte {
    PLAYMODE_NONE = 0,
    PLAYMODE_PLAYING = 2,
    PLAYMODE_TEMP_PLAYING = 3, // time-shift
    PLAYMODE_REC_PLAYING = 4,  // time-shift of the running recording
    PLAYMODE_MP3 = 5,
};
// Trick modes of TAP_Hdd_GetPlayInfo.
enum : byte { TRICKMODE_NORMAL = 0, TRICKMODE_PAUSE = 4 };

// TAP_Hdd_GetPlayInfo.
struct TYPE_PlayInfo {
    byte playMode;  // 0 none, 2 playback, 3 time-shift, 4 time-shift of a recording, 5 MP3
    byte trickMode; // 4 = paused
    byte speed;
    byte svcType;
    word svcNum;
    word duration;    // minutes of the whole file
    byte durationSec; // and seconds
    byte reserved;
    dword currentBlock;
    dword totalBlock;
    TYPE_File* file; // the played file
    TYPE_TapEvent evtInfo;
    byte repeatStatus;
    byte reserved2[3];
};

// One recording slot (TAP_Hdd_GetRecInfo).
struct TYPE_RecInfo {
    byte recType; // 0: the slot does not record
    byte tuner;
    byte reserved;
    byte svcType;
    word svcNum;
    word duration; // minutes
    dword startTime;
    dword endTime;
    dword recordedSec;
    char fileName[MAX_FILE_NAME_SIZE + 1]; // name of the recording in "/DataFiles"
};

struct TYPE_TimerInfo {
    byte isRec;
    byte tuner;
    byte svcType;
    byte reserved;
    word svcNum;
    byte reservationType;
    byte nameFix;
    word duration; // minutes
    dword startTime;
    char fileName[MAX_FILE_NAME_SIZE + 1];
};

struct TYPE_TapChInfo {
    char satName[16];
    char chName[23];
    word flag;
    byte tunerNum : 2;
    byte polar : 1;
    byte ttxAvailable : 1;
    word freq;
    word sr;
    byte modSystem : 1;
    byte modType : 2;
    byte fecInner : 4;
    byte pilot : 1;
    byte satIdx;
    word svcId;
    word pmtPid;
    word pcrPid;
    word videoPid;
    word audioPid;
    byte vformat;
    byte aformat;
    byte dolbyTrack;
    byte multifeed;
    word orgNetId;
    word tsId;
    word logicalChNum;
    dword reserved[2];
};

// An OSD plane (TAP_Osd_GetPlaneBaseInfo): rows of width * bytePerPixel bytes.
struct TYPE_OsdBaseInfo {
    void* frameBuffer; // first pixel of the top row
    word width;
    word height;
    word bytePerPixel;
    word dataFormat; // OSD_8888: 0xAARRGGBB
    byte enabled;
    byte visible;
    int zorder;
};

// Graphic descriptor of TAP_Osd_PutGd.
struct TYPE_GrData {
    byte version;       // 1
    byte reserved;      // 0
    byte dataFormat;    // OSD_8888
    byte compessMethod; // 2 = the firmware's packed format
    void* data;         // the packed block
    dword dataSize;     // unpacked size: width * height * 4
    word width;
    word height;
};

// A picture of TAP_CaptureScreen; its pixels belong to the firmware.
struct TYPE_VideoFrame {
    void* data;
    dword pixelFormat; // OSD_8888: rows of width 0xAARRGGBB pixels
    dword width;
    dword height;
};

struct TYPE_DemuxFilter {
    word pid;
    byte filterVal[8];
    byte filterMask[8];
    byte nSec;
    word timeOut; // * 100 ms
};

struct TYPE_WindowColor {
    dword titleBack, titleText, bodyBack, bodyText, border, shadow, dark, light, check;
};

struct TYPE_WindowInfo {
    word rgn;
    byte fntType;
    byte fntSize;
    dword x, y, w, h;
    dword bodyX, bodyY, bodyW, bodyH;
    TYPE_WindowColor color;
    dword reserved[4];
};

typedef void* TYPE_Window;
typedef void* TYPE_WavHandle;
typedef void (*TYPE_DrawItemFunc)(TYPE_Window win, dword itemNo);

#ifdef TAP_ABI_32
static_assert(sizeof(TYPE_File) == 152 && alignof(TYPE_File) == 8, "TYPE_File");
static_assert(offsetof(TYPE_File, time) == 4 && offsetof(TYPE_File, size) == 8 &&
                  offsetof(TYPE_File, name) == 16 && offsetof(TYPE_File, handle) == 144,
              "TYPE_File fields");
static_assert(sizeof(TYPE_FolderEntry) == 152, "TYPE_FolderEntry");
static_assert(offsetof(TYPE_FolderEntry, attr) == 0 && offsetof(TYPE_FolderEntry, time) == 8 &&
                  offsetof(TYPE_FolderEntry, size) == 16 && offsetof(TYPE_FolderEntry, name) == 24,
              "TYPE_FolderEntry fields");
static_assert(sizeof(TYPE_TapEvent) == 280, "TYPE_TapEvent");
static_assert(offsetof(TYPE_TapEvent, eventName) == 15 &&
                  offsetof(TYPE_TapEvent, description) == 143 &&
                  offsetof(TYPE_TapEvent, svcId) == 274 && offsetof(TYPE_TapEvent, tsId) == 278,
              "TYPE_TapEvent fields");
static_assert(sizeof(TYPE_PlayInfo) == 308, "TYPE_PlayInfo");
static_assert(offsetof(TYPE_PlayInfo, trickMode) == 1 &&
                  offsetof(TYPE_PlayInfo, currentBlock) == 12 &&
                  offsetof(TYPE_PlayInfo, totalBlock) == 16 &&
                  offsetof(TYPE_PlayInfo, file) == 20 && offsetof(TYPE_PlayInfo, evtInfo) == 24 &&
                  offsetof(TYPE_PlayInfo, repeatStatus) == 304,
              "TYPE_PlayInfo fields");
static_assert(sizeof(TYPE_RecInfo) == 148, "TYPE_RecInfo");
static_assert(offsetof(TYPE_RecInfo, duration) == 6 && offsetof(TYPE_RecInfo, startTime) == 8 &&
                  offsetof(TYPE_RecInfo, fileName) == 20,
              "TYPE_RecInfo fields");
static_assert(sizeof(TYPE_TimerInfo) == 144 && offsetof(TYPE_TimerInfo, startTime) == 12 &&
                  offsetof(TYPE_TimerInfo, fileName) == 16,
              "TYPE_TimerInfo");
static_assert(sizeof(TYPE_TapChInfo) == 80 && offsetof(TYPE_TapChInfo, flag) == 40 &&
                  offsetof(TYPE_TapChInfo, freq) == 44 && offsetof(TYPE_TapChInfo, satIdx) == 49 &&
                  offsetof(TYPE_TapChInfo, svcId) == 50 &&
                  offsetof(TYPE_TapChInfo, vformat) == 60 &&
                  offsetof(TYPE_TapChInfo, logicalChNum) == 68 &&
                  offsetof(TYPE_TapChInfo, reserved) == 72,
              "TYPE_TapChInfo");
static_assert(sizeof(TYPE_OsdBaseInfo) == 20, "TYPE_OsdBaseInfo");
static_assert(offsetof(TYPE_OsdBaseInfo, width) == 4 && offsetof(TYPE_OsdBaseInfo, height) == 6 &&
                  offsetof(TYPE_OsdBaseInfo, bytePerPixel) == 8 &&
                  offsetof(TYPE_OsdBaseInfo, dataFormat) == 10 &&
                  offsetof(TYPE_OsdBaseInfo, zorder) == 16,
              "TYPE_OsdBaseInfo fields");
static_assert(sizeof(TYPE_GrData) == 16 && offsetof(TYPE_GrData, data) == 4 &&
                  offsetof(TYPE_GrData, dataSize) == 8 && offsetof(TYPE_GrData, width) == 12,
              "TYPE_GrData");
static_assert(sizeof(TYPE_VideoFrame) == 16 && offsetof(TYPE_VideoFrame, pixelFormat) == 4 &&
                  offsetof(TYPE_VideoFrame, width) == 8 && offsetof(TYPE_VideoFrame, height) == 12,
              "TYPE_VideoFrame");
static_assert(sizeof(TYPE_DemuxFilter) == 22 && offsetof(TYPE_DemuxFilter, timeOut) == 20,
              "TYPE_DemuxFilter");
static_assert(sizeof(TYPE_WindowInfo) == 88 && offsetof(TYPE_WindowInfo, color) == 36,
              "TYPE_WindowInfo");
#endif

// Loading. The firmware calls libtap's __TAP_Init with a block whose first word is its getter,
// then the TAP's __TAP_Init_ with the TAP's entry points in its task slot, then TAP_Main.
typedef void* (*tap_api_getter)(int group, int index);
struct tap_entry_points {
    int (*main)(void);
    dword (*handler)(word event, dword param1, dword param2);
};

#ifdef __cplusplus
extern "C" {
#endif

#define TAP_API_DECLARE(group, index, ret, name, params) extern ret(*name) params;
TAP_API_TABLE(TAP_API_DECLARE)
#undef TAP_API_DECLARE

int __TAP_Init(void* fw);                // libtap.so
int __TAP_Init_(tap_entry_points* slot); // every TAP

// The two entry points every TAP exports: TAP_Main returns 1 to stay resident, 0 to be
// unloaded; the event handler's result goes back to the firmware (for keys: the key the
// receiver then handles, 0 = consumed).
int TAP_Main(void);
dword TAP_EventHandler(word event, dword param1, dword param2);

#ifdef __cplusplus
}
#endif
