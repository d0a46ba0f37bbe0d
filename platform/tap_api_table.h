// Every function of the receiver's TAP API, in the order libtap's __TAP_Init asks the firmware
// for them: X(group, index, return type, name, parameters). The firmware's getter answers
// (group, index) with the function's address. One table serves libtap (the pointer variables
// and the requests), the declarations of platform/tap_api.h and the emulator's getter, so they
// cannot disagree.
//
// The API's truth values ("bool") are 4-byte ints; "long" is 32 bits on the receiver. The order
// follows the index within each group, except that GetSystemVar (1.33) comes before
// SetSystemVar (1.32), Hdd_Delete (3.4) after Hdd_FreeSize (3.11) and Channel_Stop (5.7) after
// Channel_Move (5.10). Entries whose signature is not known are declared void (void).
#pragma once

// clang-format off
#define TAP_API_TABLE(X) \
    X(0, 0, dword, TAP_GetSystemId, (void)) \
    X(0, 1, dword, TAP_GetVersion, (void)) \
    X(0, 2, void, TAP_SystemProc, (void)) \
    X(0, 3, dword, TAP_GetState, (dword *state, dword *subState)) \
    X(0, 4, void, TAP_ExitNormal, (void)) \
    X(0, 5, void, TAP_EnterNormal, (void)) \
    X(0, 6, void, TAP_Exit, (void)) \
    X(0, 7, byte, TAP_KbHit, (void)) \
    X(0, 8, byte, TAP_GetCh, (void)) \
    X(0, 9, void, TAP_PutCh, (byte c)) \
    X(0, 10, void, TAP_PutByte, (byte c)) \
    X(0, 11, void, TAP_PrintSys, (const void *fmt, ...)) \
    X(0, 12, void, TAP_Print, (const void *fmt, ...)) \
    X(0, 13, void, TAP_SPrint, (void *s, const void *fmt, ...)) \
    X(0, 14, void, TAP_SetBaudRate, (dword baudRate)) \
    X(0, 15, void, TAP_SysOsdControl, (TYPE_TapSysOsdId osdId, int ctrl)) \
    X(0, 16, void, TAP_Reboot, (void)) \
    X(1, 0, void*, TAP_MemSet, (void *dest, byte c, dword n)) \
    X(1, 1, void*, TAP_MemCpy, (void *dest, void *src, dword n)) \
    X(1, 2, int, TAP_MemCmp, (const void *s1, const void *s2, dword n)) \
    X(1, 3, char*, TAP_StrCpy, (char *dest, const char* src)) \
    X(1, 4, char*, TAP_StrNCpy, (char *dest, const char* src, dword n)) \
    X(1, 5, int, TAP_StrCmp, (const char *s1, const char *s2)) \
    X(1, 6, int, TAP_StrNCmp, (const char *s1, const char *s2, dword n)) \
    X(1, 7, int, TAP_StrCaseCmp, (const char *s1, const char *s2)) \
    X(1, 8, int, TAP_StrNCaseCmp, (const char *s1, const char *s2, dword n)) \
    X(1, 9, dword, TAP_StrLen, (const char* s)) \
    X(1, 10, char*, TAP_StrCat, (char *s1, const char *s2)) \
    X(1, 11, void, TAP_Srand, (dword seed)) \
    X(1, 12, dword, TAP_Rand, (dword limit)) \
    X(1, 13, int, TAP_SetSoundLevel, (byte soundLevel)) \
    X(1, 14, int, TAP_GetTime, (word *mjd, byte *hour, byte *min, byte *sec)) \
    X(1, 15, void, TAP_MemInfo, (dword *heapSize, dword *freeHeapSize, dword *availHeapSize)) \
    X(1, 16, void*, TAP_MemAlloc, (dword size)) \
    X(1, 17, int, TAP_MemFree, (const void *addr)) \
    X(1, 18, void, TAP_AMemInfo, (void)) \
    X(1, 19, dword, TAP_GetTick, (void)) \
    X(1, 20, dword, TAP_DiffTick, (dword oldTick, dword newTick)) \
    X(1, 21, void, TAP_Delay, (dword dm10)) \
    X(1, 22, void, TAP_Sleep, (dword ms)) \
    X(1, 23, int, TAP_ExtractMjd, (word mjd, word *year, byte *month, byte *day, byte *weekDay)) \
    X(1, 24, int, TAP_MakeMjd, (word year, byte month, byte day)) \
    X(1, 25, long, TAP_Sin, (long mul, long th)) \
    X(1, 26, long, TAP_Cos, (long mul, long th)) \
    X(1, 27, int, TAP_GetSignalLevel, (void)) \
    X(1, 28, int, TAP_GetSignalQuality, (void)) \
    X(1, 29, int, TAP_SetInfoboxTime, (int sec)) \
    X(1, 30, int, TAP_PlayPCM, (void *pcmdata, int size, int freq, void (*Callback)(void))) \
    X(1, 31, int, TAP_CaptureScreen, (int mainSub, TYPE_VideoFrame *videoFrame, dword margin)) \
    X(1, 33, int, TAP_GetSystemVar, (int varId)) \
    X(1, 32, int, TAP_SetSystemVar, (int varId, int value)) \
    X(1, 34, int, TAP_WriteSystemVar, (void)) \
    X(1, 35, void, TAP_GenerateEvent, (word evtCode, dword param1, dword param2)) \
    X(1, 36, byte, TAP_GetActiveTuner, (byte tuner)) \
    X(1, 37, void, TAP_SetRemote, (byte waitTime, byte repeatTime)) \
    X(1, 38, dword, TAP_Get12bit, (const byte *p)) \
    X(1, 39, void, TAP_Put12bit, (byte *p, word data)) \
    X(1, 40, dword, TAP_Get13bit, (const byte *p)) \
    X(1, 41, void, TAP_Put13bit, (byte *p, word data)) \
    X(1, 42, dword, TAP_Get16bit, (const byte *p)) \
    X(1, 43, void, TAP_Put16bit, (byte *p, word data)) \
    X(1, 44, dword, TAP_Get24bit, (const byte *p)) \
    X(1, 45, void, TAP_Put24bit, (byte *p, dword data)) \
    X(1, 46, dword, TAP_Get32bit, (const byte *p)) \
    X(1, 47, void, TAP_Put32bit, (byte *p, dword data)) \
    X(1, 48, dword, TAP_GetMpegCrc32, (const void *data, dword n)) \
    X(2, 0, int, TAP_Osd_Create, (dword x, dword y, dword w, dword h, byte lutIdx, int flag)) \
    X(2, 1, int, TAP_Osd_Delete, (word rgn)) \
    X(2, 2, int, TAP_Osd_Move, (word rgn, dword x, dword y)) \
    X(2, 3, int, TAP_Osd_FillBox, (word rgn, dword x, dword y, dword w, dword h, dword color)) \
    X(2, 4, int, TAP_Osd_PutBox, (word rgn, dword x, dword y, dword w, dword h, const void *data, int sprite, byte dataFormat)) \
    X(2, 5, int, TAP_Osd_GetBox, (word rgn, dword x, dword y, dword w, dword h, void *data)) \
    X(2, 6, int, TAP_Osd_SetLut, (byte lutIdx, byte lut[][4])) \
    X(2, 7, int, TAP_Osd_Ctrl, (word rgn, dword ctrl)) \
    X(2, 8, int, TAP_Osd_SetTransparency, (word rgn, char rt)) \
    X(2, 9, int, TAP_Osd_Draw3dBox, (word rgn, dword x, dword y, dword w, dword h, dword c1, dword c2)) \
    X(2, 10, int, TAP_Osd_Draw3dBoxFill, (word rgn, dword x, dword y, dword w, dword h, dword c1, dword c2, dword fc)) \
    X(2, 11, int, TAP_Osd_DrawRectangle, (word rgn, dword x, dword y, dword w, dword h, dword t, dword color)) \
    X(2, 12, int, TAP_Osd_PutGd, (word rgn, int x, int y, TYPE_GrData * gd, int sprite)) \
    X(2, 13, int, TAP_Osd_DrawPixmap, (word rgn, dword x, dword y, dword w, dword h, void *pixmap, int sprite, byte dataFormat)) \
    X(2, 14, int, TAP_Osd_Zoom, (int xzoom, int yzoom)) \
    X(2, 15, int, TAP_Osd_GetBaseInfo, (TYPE_OsdBaseInfo *info)) \
    X(2, 16, int, TAP_Osd_GetPlaneBaseInfo, (TYPE_OsdBaseInfo *info, byte plane)) \
    X(2, 20, int, TAP_Osd_Copy, (word srcRgnNum, word dstRgnNum, dword srcX, dword srcY, dword w, dword h, dword dstX, dword dstY, int sprite)) \
    X(2, 21, byte*, TAP_Osd_SaveBox, (word rgn, dword x, dword y, dword w, dword h)) \
    X(2, 22, void, TAP_Osd_RestoreBox, (word rgn, dword x, dword y, dword w, dword h, void *data)) \
    X(2, 23, int, TAP_Osd_GetPixel, (word rgn, dword x, dword y, void *pix)) \
    X(2, 24, int, TAP_Osd_PutPixel, (word rgn, dword x, dword y, dword pix)) \
    X(2, 25, int, TAP_Osd_PutS, (word rgn, dword x, dword y, dword maxX, const char * str, dword fcolor, dword bcolor, byte fntType, byte fntSize, byte bDot, byte align)) \
    X(2, 26, int, TAP_Osd_GetW, (const char *str, byte fntType, byte fntSize)) \
    X(2, 27, int, TAP_Osd_PutString, (word rgn, dword x, dword y, dword maxX, const char * str, dword fcolor, dword bcolor, byte fntType, byte fntSize, byte nextLine)) \
    X(2, 28, int, TAP_Osd_DrawString, (const char * str, dword dstWidth, dword color, void *dest, byte dataFormat, dword maxWidth, byte fntType, byte fntSize)) \
    X(2, 29, int, TAP_Osd_PutStringAf, (word rgn, dword x, dword y, dword maxX, const char * str, dword fcolor, dword bcolor, byte fntType, byte fntSize, byte nextLine)) \
    X(2, 30, void*, TAP_Osd_DecompressJpeg, (const char* fileName, dword w, dword h, dword option)) \
    X(2, 31, int, TAP_Osd_DrawJpeg, (word rgn, dword x, dword y, dword w, dword h, const char* file, dword option)) \
    X(2, 32, void, TAP_Osd_Sync, (void)) \
    X(3, 0, TYPE_File*, TAP_Hdd_Fopen, (const char *name)) \
    X(3, 1, dword, TAP_Hdd_Fread, (void *buf, dword blksize, dword blk, TYPE_File* file)) \
    X(3, 2, dword, TAP_Hdd_Fwrite, (void *buf, dword blksize, dword blk, TYPE_File* file)) \
    X(3, 3, void, TAP_Hdd_Fclose, (TYPE_File* file)) \
    X(3, 5, dword, TAP_Hdd_FindFirst, (TYPE_FolderEntry* file, const char* extension)) \
    X(3, 6, dword, TAP_Hdd_FindNext, (TYPE_FolderEntry* file)) \
    X(3, 7, dword, TAP_Hdd_Fseek, (TYPE_File* file, long pos, long where)) \
    X(3, 8, dword, TAP_Hdd_Flen, (TYPE_File* file)) \
    X(3, 9, dword, TAP_Hdd_Ftell, (TYPE_File* file)) \
    X(3, 10, dword, TAP_Hdd_TotalSize, (void)) \
    X(3, 11, dword, TAP_Hdd_FreeSize, (void)) \
    X(3, 4, word, TAP_Hdd_Delete, (const char *name)) \
    X(3, 12, void, TAP_Hdd_Move, (void)) \
    X(3, 13, int, TAP_Hdd_Exist, (const char *name)) \
    X(3, 14, dword, TAP_Hdd_Create, (const char *name, byte attr)) \
    X(3, 15, int, TAP_Hdd_ChangeDir, (const char *dir)) \
    X(3, 16, int, TAP_Hdd_PlayTs, (const char *name)) \
    X(3, 17, int, TAP_Hdd_StopTs, (void)) \
    X(3, 18, int, TAP_Hdd_PlayMp3, (const char *name)) \
    X(3, 19, int, TAP_Hdd_StopMp3, (void)) \
    X(3, 20, int, TAP_Hdd_Rename, (const char *oldName, const char *newName)) \
    X(3, 21, int, TAP_Hdd_StartRecord, (void)) \
    X(3, 22, int, TAP_Hdd_StopRecord, (byte recSlot)) \
    X(3, 23, int, TAP_Hdd_GetRecInfo, (byte recSlot, TYPE_RecInfo *recInfo)) \
    X(3, 24, int, TAP_Hdd_GetPlayInfo, (TYPE_PlayInfo *playInfo)) \
    X(3, 25, int, TAP_Hdd_SetBookmark, (void)) \
    X(3, 26, int, TAP_Hdd_GotoBookmark, (void)) \
    X(3, 27, int, TAP_Hdd_ChangePlaybackPos, (dword blockPos)) \
    X(3, 28, int, TAP_Hdd_GetHddID, (char *modelNo, char *serialNo)) \
    X(4, 0, void, TAP_Win_SetTitle, (TYPE_Window win, const char *str, byte fntType, byte fntSize)) \
    X(4, 1, void, TAP_Win_SetColor, (TYPE_Window win, dword titleBack, dword titleText, dword bodyBack, dword bodyText, dword border, dword shadow, dword dark, dword light)) \
    X(4, 2, void, TAP_Win_SetDefaultColor, (TYPE_Window win)) \
    X(4, 3, void, TAP_Win_Draw, (TYPE_Window win)) \
    X(4, 4, TYPE_Window, TAP_Win_Create, (word rgn, dword x, dword y, dword w, dword h, dword maxItem, byte save, byte bScr)) \
    X(4, 5, dword, TAP_Win_Delete, (TYPE_Window win)) \
    X(4, 6, void, TAP_Win_SetFont, (TYPE_Window win, byte fntType, byte fntSize)) \
    X(4, 7, void, TAP_Win_AddItem, (TYPE_Window win, char *str)) \
    X(4, 8, dword, TAP_Win_RemoveItem, (TYPE_Window win, dword itemNo)) \
    X(4, 9, dword, TAP_Win_RemoveAllItems, (TYPE_Window win)) \
    X(4, 10, dword, TAP_Win_GetSelection, (TYPE_Window win)) \
    X(4, 11, void, TAP_Win_SetSelection, (TYPE_Window win, dword pos)) \
    X(4, 12, void, TAP_Win_Action, (TYPE_Window win, dword key)) \
    X(4, 13, void, TAP_Win_SetAvtice, (TYPE_Window win, dword itemNo, byte active)) \
    X(4, 14, dword, TAP_Win_GetAvtice, (TYPE_Window win, dword itemNo)) \
    X(4, 15, void, TAP_Win_SetDrawItemFunc, (TYPE_Window win, TYPE_DrawItemFunc func)) \
    X(4, 16, dword, TAP_Win_GetTotalItem, (TYPE_Window win)) \
    X(4, 17, char*, TAP_Win_GetItem, (TYPE_Window win, dword itemNo)) \
    X(4, 18, dword, TAP_Win_GetStartPos, (TYPE_Window win)) \
    X(4, 19, dword, TAP_Win_GetWindowInfo, (TYPE_Window win, TYPE_WindowInfo *info)) \
    X(4, 20, dword, TAP_Win_GetMaxViewItem, (TYPE_Window win)) \
    X(4, 21, dword, TAP_Win_SetItemXpos, (TYPE_Window win, dword *xpos)) \
    X(5, 0, int, TAP_Channel_GetTotalNum, (int *nTvSvc, int *nRadioSvc)) \
    X(5, 1, int, TAP_Channel_GetFirstInfo, (int svcType, TYPE_TapChInfo *chInfo)) \
    X(5, 2, int, TAP_Channel_GetNextInfo, (TYPE_TapChInfo *chInfo)) \
    X(5, 3, int, TAP_Channel_GetInfo, (int svcType, int svcNum, TYPE_TapChInfo *chInfo)) \
    X(5, 4, int, TAP_Channel_GetCurrent, (int *tvRadio, int *svcNum)) \
    X(5, 5, int, TAP_Channel_GetCurrentSubTV, (int *svcNum)) \
    X(5, 6, int, TAP_Channel_Start, (int mainSub, int svcType, int chNum)) \
    X(5, 8, int, TAP_Channel_Scale, (int mainSub, long x, long y, long w, long h, int anim)) \
    X(5, 9, int, TAP_Channel_IsPlayable, (int mainSub, int svcType, int chNum)) \
    X(5, 10, int, TAP_Channel_Move, (int mainSub, int dir)) \
    X(5, 7, int, TAP_Channel_Stop, (int mainSub)) \
    X(5, 11, int, TAP_Channel_GetTotalAudioTrack, (void)) \
    X(5, 12, char*, TAP_Channel_GetAudioTrackName, (int trkNum, char *trkName)) \
    X(5, 13, int, TAP_Channel_SetAudioTrack, (int trkNum)) \
    X(5, 14, int, TAP_Channel_GetTotalSubtitleTrack, (void)) \
    X(5, 15, char*, TAP_Channel_GetSubtitleTrackName, (int trkNum, char *trkName)) \
    X(5, 16, int, TAP_Channel_SetSubtitleTrack, (int trkNum)) \
    X(5, 17, int, TAP_Channel_IsStarted, (int mainSub)) \
    X(5, 18, int, TAP_Channel_ExchangePip, (void)) \
    X(7, 0, int, TAP_Demux_StartFilter, (int mainSub, TYPE_DemuxFilter *filter)) \
    X(7, 1, int, TAP_Demux_StopFilter, (int demuxHandle)) \
    X(7, 2, int, TAP_Demux_GetData, (int demuxHandle, dword** data)) \
    X(10, 0, TYPE_TapEvent*, TAP_GetEvent, (int svcType, int svcNum, int *eventNum)) \
    X(10, 1, TYPE_TapEvent*, TAP_GetCurrentEvent, (int svcType, int svcNum)) \
    X(10, 2, int, TAP_PutEvent, (byte *eitData)) \
    X(10, 3, int, TAP_EPG_UpdateEvent, (int svcType, int svcNum, dword evtid, dword runningStatus)) \
    X(10, 4, int, TAP_EPG_DeleteEvent, (int svcType, int svcNum, dword evtid)) \
    X(10, 5, byte*, TAP_EPG_GetExtInfo, (TYPE_TapEvent *tapEvtInfo)) \
    X(10, 6, word, TAP_ControlEit, (int enable)) \
    X(10, 11, int, TAP_Timer_GetTotalNum, (void)) \
    X(10, 12, int, TAP_Timer_GetInfo, (int entryNum, TYPE_TimerInfo *info)) \
    X(10, 13, int, TAP_Timer_Add, (TYPE_TimerInfo *info)) \
    X(10, 14, int, TAP_Timer_Modify, (int entryNum, TYPE_TimerInfo *info)) \
    X(10, 15, int, TAP_Timer_Delete, (int entryNum)) \
    X(10, 20, int, TAP_Vfd_GetStatus, (void)) \
    X(10, 21, void, TAP_Vfd_Control, (int underTapCtrl)) \
    X(10, 22, void, TAP_Vfd_SendData, (byte *data, byte dataLen)) \
    X(10, 27, TYPE_WavHandle, TAP_Wav_PlayerOpen, (const char *name)) \
    X(10, 28, int, TAP_Wav_PlayerClose, (TYPE_WavHandle handle)) \
    X(10, 29, int, TAP_Wav_PlayerStart, (TYPE_WavHandle handle, dword loop)) \
    X(10, 30, int, TAP_Wav_PlayerStop, (TYPE_WavHandle handle)) \
    X(10, 31, int, TAP_Wav_PlayerSetVolume, (TYPE_WavHandle handle, byte level))

// clang-format on
