// The TAP API as our TAPs see it: every call into the receiver goes through these functions.
// On the receiver the firmware provides them at load time; on a PC the emulator does.
// TAP code includes this header and platform/firmware.h, nothing else of the receiver.
#pragma once

#include <stddef.h>
#include <stdint.h>

typedef uint8_t byte;
typedef uint16_t word;
typedef uint32_t dword;

// Events (low 16 bits of the event code).
enum : word {
    EVT_IDLE = 0x0000,
    EVT_KEY = 0x0100,
    EVT_SERVICE = 0x0300,
    EVT_STOP = 0x0900,
    EVT_TAPMSG = 0x0B00,
};

// Key code bits.
enum : dword {
    KEY_BASE = 0x10000,
    KEY_REPEAT = 0x1000000,
    KEY_RELEASE = 0x2000000,
    KEY_TAP_MARK = 0x400000,
};

// File attributes of TAP_Hdd_Create and the file search.
enum : byte {
    ATTR_FILE = 0xD0,
    ATTR_FOLDER = 0xE0,
};

// One entry of the disk's file search and the handle of an open file.
struct TYPE_File {
    dword handle; // non-zero while open
    byte attr;    // ATTR_FILE or ATTR_FOLDER
    byte second;  // seconds of the modification time
    word reserved;
    dword date;     // modification time: MJD << 16 | hour << 8 | minute (local time)
    uint64_t size;  // bytes
    char name[256]; // name within its folder
};

// Graphic descriptor handed to TAP_Osd_PutGd: 16 bytes on the receiver.
struct TYPE_GrData {
    byte version;     // 1
    byte reserved;    // 0
    byte format;      // 1 = 32-bit ARGB
    byte compression; // 2 = the platform's compressed format
    const byte* data; // the compressed block
    dword size;       // decompressed size: width * height * 4
    word width;
    word height;
};
#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(TYPE_GrData) == 16, "graphic descriptor is 16 bytes on the receiver");
static_assert(offsetof(TYPE_GrData, width) == 12, "width at offset 12");
#endif

// Receiver play information (TAP_Hdd_GetPlayInfo).
struct TYPE_PlayInfo {
    byte playMode;  // 0 none, 2 playback, 3 time-shift, 4 time-shift of a recording, 5 MP3
    byte trickMode; // 4 = paused
    byte speed;
    byte reserved;
    dword svcNum;
    dword duration;
    dword currentBlock;          // at 0x0C
    dword totalBlock;            // at 0x10
    struct fw_file_record* file; // at 0x14: entry of the played file
    byte pad[64];
};
#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(offsetof(TYPE_PlayInfo, currentBlock) == 0x0C, "current block at 0x0C");
static_assert(offsetof(TYPE_PlayInfo, file) == 0x14, "file entry at 0x14");
#endif

// One recording slot of the receiver (TAP_Hdd_GetRecInfo).
struct TYPE_RecInfo {
    byte recType; // 0: the slot does not record
    byte tuner;
    word reserved;
    dword duration;     // minutes
    char fileName[100]; // name of the recording in "/DataFiles"
};

#ifdef __cplusplus
extern "C" {
#endif

// The two entry points every TAP exports.
int TAP_Main(void);
dword TAP_EventHandler(word event, dword param1, dword param2);

// Life cycle and receiver state.
void TAP_Exit(void);
void TAP_ExitNormal(void);
void TAP_EnterNormal(void);
void TAP_GetState(dword* state, dword* subState);
int TAP_GetSystemId(void);
int TAP_GetSystemVar(int var); // 1: menu language (2 = German)
#define SYSVAR_OsdLan 1

// Time: ticks of 1/100 s since power-on; broadcast date as Modified Julian Day.
dword TAP_GetTick(void);
int TAP_GetTime(word* mjd, byte* hour, byte* min, byte* sec);
void TAP_Sleep(dword ms);
void TAP_ExtractMjd(word mjd, word* year, byte* month, byte* day, byte* weekDay);

// Memory.
void* TAP_MemAlloc(dword size);
int TAP_MemFree(const void* addr);
void TAP_MemInfo(dword* heapSize, dword* freeHeapSize, dword* availHeapSize);

// Disk: a current folder that starts at the disk root; names are relative to it.
int TAP_Hdd_ChangeDir(const char* dir);
int TAP_Hdd_Exist(const char* name);
int TAP_Hdd_Create(const char* name, byte attr);
int TAP_Hdd_Delete(const char* name);
TYPE_File* TAP_Hdd_Fopen(const char* name);
dword TAP_Hdd_Fread(void* buf, dword blockSize, dword blocks, TYPE_File* file);
dword TAP_Hdd_Fwrite(const void* buf, dword blockSize, dword blocks, TYPE_File* file);
dword TAP_Hdd_Fseek(TYPE_File* file, long pos, int whence);
dword TAP_Hdd_Flen(TYPE_File* file);
void TAP_Hdd_Fclose(TYPE_File* file);
dword TAP_Hdd_FindFirst(TYPE_File* entry);
dword TAP_Hdd_FindNext(TYPE_File* entry);
dword TAP_Hdd_TotalSize(void); // MB
dword TAP_Hdd_FreeSize(void);  // MB
int TAP_Hdd_GetPlayInfo(TYPE_PlayInfo* info);
int TAP_Hdd_GetRecInfo(byte slot, TYPE_RecInfo* info); // slots 0 and 1; 0 for others

// Channels.
int TAP_Channel_Start(int mainSub, int svcType, int svcNum);
int TAP_Channel_GetTotalNum(int* tvNum, int* radioNum);
int TAP_Channel_GetCurrent(int* svcType, int* svcNum);

// On-screen display: regions on the 720 x 576 OSD plane, colours 0xAARRGGBB.
word TAP_Osd_Create(dword x, dword y, dword w, dword h, byte lutIdx, int flag);
int TAP_Osd_Delete(word rgn);
int TAP_Osd_FillBox(word rgn, dword x, dword y, dword w, dword h, dword color);
int TAP_Osd_PutS(word rgn, dword x, dword y, dword maxX, const char* str, dword fgColor,
                 dword bgColor, byte fntType, byte fntSize, byte bDot, byte align);
dword TAP_Osd_GetW(const char* str, byte fntType, byte fntSize);
int TAP_Osd_PutPixel(word rgn, dword x, dword y, dword pix);
int TAP_Osd_DrawRectangle(word rgn, dword x, dword y, dword w, dword h, dword thick, dword color);
int TAP_Osd_DrawPixmap(word rgn, dword x, dword y, dword w, dword h, const void* pixmap, int sprite,
                       byte dataFormat);
byte* TAP_Osd_SaveBox(word rgn, dword x, dword y, dword w, dword h);
void TAP_Osd_RestoreBox(word rgn, dword x, dword y, dword w, dword h, const void* data);
int TAP_Osd_PutGd(word rgn, int x, int y, const TYPE_GrData* gd, int sprite);
void TAP_Osd_Sync(void);

// Pictures: JPEG decoding and scaling by the firmware, screen capture.
// Decodes a JPEG file of the current folder scaled to width x height; the pixel block
// (0xAARRGGBB, rows top to bottom) is the firmware's and is freed with TAP_MemFree. Null when
// the firmware cannot (not a JPEG, or not enough memory for that size).
dword* TAP_Osd_DecompressJpeg(const char* name, dword width, dword height, int flag);
// mode 1: the video picture scaled to width x height. 0 on success with a pixel block freed
// with TAP_MemFree and its line pitch in bytes; non-zero when no picture can be taken (e.g.
// while the picture is paused).
int TAP_CaptureScreen(int mode, dword width, dword height, dword** pixels, dword* pitch);
// The OSD planes (0 teletext, 2 TAP graphics), 720 x 576 pixels of 0xAARRGGBB.
struct TYPE_OsdBaseInfo {
    dword* frameBuffer; // first pixel of the top row
    dword pitch;        // bytes per row
    dword width, height;
};
int TAP_Osd_GetPlaneBaseInfo(int plane, TYPE_OsdBaseInfo* info);

#ifdef __cplusplus
}
#endif
