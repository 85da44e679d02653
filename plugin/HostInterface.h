// The host's acquire interface as the host lays it out on 32-bit Windows: natural
// alignment, cdecl callbacks, 16-bit result codes, one-byte Booleans. Natively the same
// declarations are used by the test host; only the win32 build pins the offsets.
#pragma once

#include <cstddef>
#include <cstdint>

using OSErr = int16_t;
using HostBoolean = uint8_t;
using Fixed = int32_t;
using OSType = uint32_t;
using HostHandle = char**;
using BufferID = struct OpaqueBuffer*;

#if defined(_WIN32)
#define HOSTAPI __cdecl
#else
#define HOSTAPI
#endif

constexpr OSErr noErr = 0;
constexpr OSErr paramErr = -50;
constexpr OSErr memFullErr = -108;
constexpr OSErr userCanceledErr = -128;
constexpr OSErr acquireBadParameters = -30000;
constexpr OSErr errMissingParameter = -1715;

// Selectors of the entry.
constexpr int16_t acquireSelectorAbout = 0;
constexpr int16_t acquireSelectorStart = 1;
constexpr int16_t acquireSelectorContinue = 2;
constexpr int16_t acquireSelectorFinish = 3;
constexpr int16_t acquireSelectorPrepare = 4;
constexpr int16_t acquireSelectorFinalize = 5;

// Host image modes.
constexpr int16_t plugInModeBitmap = 0;
constexpr int16_t plugInModeGrayScale = 1;
constexpr int16_t plugInModeIndexedColor = 2;
constexpr int16_t plugInModeRGBColor = 3;

constexpr OSType MakeOSType(char a, char b, char c, char d) {
    return (static_cast<OSType>(static_cast<uint8_t>(a)) << 24) |
           (static_cast<OSType>(static_cast<uint8_t>(b)) << 16) |
           (static_cast<OSType>(static_cast<uint8_t>(c)) << 8) | static_cast<OSType>(static_cast<uint8_t>(d));
}

struct HostPoint {
    int16_t v;
    int16_t h;
};

struct HostRect {
    int16_t top, left, bottom, right;
};

struct HostVPoint {
    int32_t v, h;
};

struct HostVRect {
    int32_t top, left, bottom, right;
};

struct PlugInMonitor {
    Fixed gamma, redX, redY, greenX, greenY, blueX, blueY, whiteX, whiteY, ambient;
};

struct PlatformData {
    intptr_t hwnd;
};

using TestAbortProc = HostBoolean(HOSTAPI*)();
using ProgressProc = void(HOSTAPI*)(int32_t done, int32_t total);
using HostProc = void(HOSTAPI*)(int16_t selector, int32_t* data);
using SpaceProc = int32_t(HOSTAPI*)();
using ProcessEventProc = void(HOSTAPI*)(void* event);
using DisplayPixelsProc = OSErr(HOSTAPI*)(const void* source, const HostVRect* srcRect, int32_t dstRow,
                                          int32_t dstCol, void* platformContext);
using AdvanceStateProc = OSErr(HOSTAPI*)();
using ColorServicesProc = OSErr(HOSTAPI*)(void* info);

using AllocateBufferProc = OSErr(HOSTAPI*)(int32_t size, BufferID* bufferID);
using LockBufferProc = char*(HOSTAPI*)(BufferID bufferID, HostBoolean moveHigh);
using UnlockBufferProc = void(HOSTAPI*)(BufferID bufferID);
using FreeBufferProc = void(HOSTAPI*)(BufferID bufferID);
using BufferSpaceProc = int32_t(HOSTAPI*)();

struct BufferProcs {
    int16_t bufferProcsVersion;
    int16_t numBufferProcs;
    AllocateBufferProc allocateProc;
    LockBufferProc lockProc;
    UnlockBufferProc unlockProc;
    FreeBufferProc freeProc;
    BufferSpaceProc spaceProc;
};
constexpr int16_t kCurrentBufferProcsVersion = 2;
constexpr int16_t kCurrentBufferProcsCount = 5;

using NewPIHandleProc = HostHandle(HOSTAPI*)(int32_t size);
using DisposePIHandleProc = void(HOSTAPI*)(HostHandle handle);
using GetPIHandleSizeProc = int32_t(HOSTAPI*)(HostHandle handle);
using SetPIHandleSizeProc = OSErr(HOSTAPI*)(HostHandle handle, int32_t newSize);
using LockPIHandleProc = char*(HOSTAPI*)(HostHandle handle, HostBoolean moveHigh);
using UnlockPIHandleProc = void(HOSTAPI*)(HostHandle handle);
using RecoverSpaceProc = void(HOSTAPI*)(int32_t size);

struct HandleProcs {
    int16_t handleProcsVersion;
    int16_t numHandleProcs;
    NewPIHandleProc newProc;
    DisposePIHandleProc disposeProc;
    GetPIHandleSizeProc getSizeProc;
    SetPIHandleSizeProc setSizeProc;
    LockPIHandleProc lockProc;
    UnlockPIHandleProc unlockProc;
    RecoverSpaceProc recoverSpaceProc;
};
constexpr int16_t kCurrentHandleProcsVersion = 1;
constexpr int16_t kCurrentHandleProcsCount = 7;

// Scripting descriptors.
using PIReadDescriptor = void*;
using PIWriteDescriptor = void*;
using PIDescriptorHandle = HostHandle;
using DescriptorKeyID = uint32_t;
using DescriptorTypeID = uint32_t;
using DescriptorUnitID = uint32_t;
using DescriptorEnumID = uint32_t;
using DescriptorKeyIDArray = DescriptorKeyID*;

struct ReadDescriptorProcs {
    int16_t readDescriptorProcsVersion;
    int16_t numReadDescriptorProcs;
    PIReadDescriptor(HOSTAPI* openReadDescriptorProc)(PIDescriptorHandle, DescriptorKeyIDArray);
    OSErr(HOSTAPI* closeReadDescriptorProc)(PIReadDescriptor);
    HostBoolean(HOSTAPI* getKeyProc)(PIReadDescriptor, DescriptorKeyID*, DescriptorTypeID*, int32_t* flags);
    OSErr(HOSTAPI* getIntegerProc)(PIReadDescriptor, int32_t*);
    OSErr(HOSTAPI* getFloatProc)(PIReadDescriptor, double*);
    OSErr(HOSTAPI* getUnitFloatProc)(PIReadDescriptor, DescriptorUnitID*, double*);
    OSErr(HOSTAPI* getBooleanProc)(PIReadDescriptor, HostBoolean*);
    OSErr(HOSTAPI* getTextProc)(PIReadDescriptor, HostHandle*);
    OSErr(HOSTAPI* getAliasProc)(PIReadDescriptor, HostHandle*);
    OSErr(HOSTAPI* getEnumeratedProc)(PIReadDescriptor, DescriptorEnumID*);
    OSErr(HOSTAPI* getClassProc)(PIReadDescriptor, DescriptorTypeID*);
    OSErr(HOSTAPI* getSimpleReferenceProc)(PIReadDescriptor, void*);
    OSErr(HOSTAPI* getObjectProc)(PIReadDescriptor, DescriptorTypeID*, PIDescriptorHandle*);
    OSErr(HOSTAPI* getCountProc)(PIReadDescriptor, uint32_t*);
    OSErr(HOSTAPI* getStringProc)(PIReadDescriptor, unsigned char (*)[256]);
    OSErr(HOSTAPI* getPinnedIntegerProc)(PIReadDescriptor, int32_t min, int32_t max, int32_t*);
    OSErr(HOSTAPI* getPinnedFloatProc)(PIReadDescriptor, const double* min, const double* max, double*);
    OSErr(HOSTAPI* getPinnedUnitFloatProc)(PIReadDescriptor, const double* min, const double* max,
                                           DescriptorUnitID*, double*);
};
constexpr int16_t kCurrentReadDescriptorProcsVersion = 0;
constexpr int16_t kCurrentReadDescriptorProcsCount = 18;

struct WriteDescriptorProcs {
    int16_t writeDescriptorProcsVersion;
    int16_t numWriteDescriptorProcs;
    PIWriteDescriptor(HOSTAPI* openWriteDescriptorProc)();
    OSErr(HOSTAPI* closeWriteDescriptorProc)(PIWriteDescriptor, PIDescriptorHandle*);
    OSErr(HOSTAPI* putIntegerProc)(PIWriteDescriptor, DescriptorKeyID, int32_t);
    OSErr(HOSTAPI* putFloatProc)(PIWriteDescriptor, DescriptorKeyID, const double*);
    OSErr(HOSTAPI* putUnitFloatProc)(PIWriteDescriptor, DescriptorKeyID, DescriptorUnitID, const double*);
    OSErr(HOSTAPI* putBooleanProc)(PIWriteDescriptor, DescriptorKeyID, HostBoolean);
    OSErr(HOSTAPI* putTextProc)(PIWriteDescriptor, DescriptorKeyID, HostHandle);
    OSErr(HOSTAPI* putAliasProc)(PIWriteDescriptor, DescriptorKeyID, HostHandle);
    OSErr(HOSTAPI* putEnumeratedProc)(PIWriteDescriptor, DescriptorKeyID, DescriptorTypeID, DescriptorEnumID);
    OSErr(HOSTAPI* putClassProc)(PIWriteDescriptor, DescriptorKeyID, DescriptorTypeID);
    OSErr(HOSTAPI* putSimpleReferenceProc)(PIWriteDescriptor, DescriptorKeyID, const void*);
    OSErr(HOSTAPI* putObjectProc)(PIWriteDescriptor, DescriptorKeyID, DescriptorTypeID, PIDescriptorHandle);
    OSErr(HOSTAPI* putCountProc)(PIWriteDescriptor, DescriptorKeyID, uint32_t);
    OSErr(HOSTAPI* putStringProc)(PIWriteDescriptor, DescriptorKeyID, const unsigned char*);
    OSErr(HOSTAPI* putScopedClassProc)(PIWriteDescriptor, DescriptorKeyID, DescriptorTypeID);
    OSErr(HOSTAPI* putScopedObjectProc)(PIWriteDescriptor, DescriptorKeyID, DescriptorTypeID,
                                        PIDescriptorHandle);
};
constexpr int16_t kCurrentWriteDescriptorProcsVersion = 0;
constexpr int16_t kCurrentWriteDescriptorProcsCount = 16;

struct PIDescriptorParameters {
    int16_t descriptorParametersVersion;
    int16_t playInfo;
    int16_t recordInfo;
    PIDescriptorHandle descriptor;
    WriteDescriptorProcs* writeDescriptorProcs;
    ReadDescriptorProcs* readDescriptorProcs;
};
constexpr int16_t plugInDialogDontDisplay = 0;
constexpr int16_t plugInDialogDisplay = 1;
constexpr int16_t plugInDialogSilent = 2;

// What selector 0 receives instead of the acquire record.
struct AboutRecord {
    void* platformData;
    void* sSPBasic;
    void* plugInRef;
    char reserved[244];
};

struct AcquireRecord {
    int32_t serialNumber;
    TestAbortProc abortProc;
    ProgressProc progressProc;
    int32_t maxData;
    int16_t imageMode;
    HostPoint imageSize;
    int16_t depth;
    int16_t planes;
    Fixed imageHRes;
    Fixed imageVRes;
    uint8_t redLUT[256];
    uint8_t greenLUT[256];
    uint8_t blueLUT[256];
    void* data;
    HostRect theRect;
    int16_t loPlane;
    int16_t hiPlane;
    int16_t colBytes;
    int32_t rowBytes;
    int32_t planeBytes;
    unsigned char filename[256];
    int16_t vRefNum;
    HostBoolean dirty;
    OSType hostSig;
    HostProc hostProc;
    int32_t hostModes;
    int16_t planeMap[16];
    HostBoolean canTranspose;
    HostBoolean needTranspose;
    HostHandle duotoneInfo;
    int32_t diskSpace;
    SpaceProc spaceProc;
    PlugInMonitor monitor;
    void* platformData;
    BufferProcs* bufferProcs;
    void* resourceProcs;
    ProcessEventProc processEvent;
    HostBoolean canReadBack;
    HostBoolean wantReadBack;
    HostBoolean acquireAgain;
    HostBoolean canFinalize;
    DisplayPixelsProc displayPixels;
    HandleProcs* handleProcs;
    HostBoolean wantFinalize;
    char reserved1[3];
    ColorServicesProc colorServices;
    AdvanceStateProc advanceState;
    void* imageServicesProcs;
    int16_t tileWidth;
    int16_t tileHeight;
    HostPoint tileOrigin;
    void* propertyProcs;
    PIDescriptorParameters* descriptorParameters;
    unsigned char (*errorString)[256];
    HostBoolean isFirstAlphaTransparency;
    char padding[3];
    int32_t maxValue;
    void* sSPBasic;
    void* plugInRef;
    int32_t transparentIndex;
    HostHandle iCCprofileData;
    int32_t iCCprofileSize;
    int32_t canUseICCProfiles;
    char* pushDataSource;
    int32_t lutCount;
    int32_t convertMode;
    int32_t HostSupports32BitCoordinates;
    int32_t PluginUsing32BitCoordinates;
    HostVPoint imageSize32;
    HostVRect theRect32;
    int64_t diskSpace64;
    uint16_t* unicodeFilename;
    void* channelPortProcs;
    void* documentInfo;
    char reserved[100];
};

using AcquireRecordPtr = AcquireRecord*;

#if defined(_WIN32) && !defined(_WIN64)
// The host reads these fields at fixed places; a layout slip would corrupt its memory.
static_assert(offsetof(AcquireRecord, abortProc) == 4);
static_assert(offsetof(AcquireRecord, maxData) == 12);
static_assert(offsetof(AcquireRecord, imageMode) == 16);
static_assert(offsetof(AcquireRecord, imageSize) == 18);
static_assert(offsetof(AcquireRecord, depth) == 22);
static_assert(offsetof(AcquireRecord, planes) == 24);
static_assert(offsetof(AcquireRecord, imageHRes) == 28);
static_assert(offsetof(AcquireRecord, imageVRes) == 32);
static_assert(offsetof(AcquireRecord, redLUT) == 36);
static_assert(offsetof(AcquireRecord, greenLUT) == 292);
static_assert(offsetof(AcquireRecord, blueLUT) == 548);
static_assert(offsetof(AcquireRecord, data) == 804);
static_assert(offsetof(AcquireRecord, theRect) == 808);
static_assert(offsetof(AcquireRecord, loPlane) == 816);
static_assert(offsetof(AcquireRecord, hiPlane) == 818);
static_assert(offsetof(AcquireRecord, colBytes) == 820);
static_assert(offsetof(AcquireRecord, rowBytes) == 824);
static_assert(offsetof(AcquireRecord, planeBytes) == 828);
static_assert(offsetof(AcquireRecord, filename) == 832);
static_assert(offsetof(AcquireRecord, vRefNum) == 1088);
static_assert(offsetof(AcquireRecord, dirty) == 1090);
static_assert(offsetof(AcquireRecord, hostSig) == 1092);
static_assert(offsetof(AcquireRecord, hostModes) == 1100);
static_assert(offsetof(AcquireRecord, planeMap) == 1104);
static_assert(offsetof(AcquireRecord, canTranspose) == 1136);
static_assert(offsetof(AcquireRecord, duotoneInfo) == 1140);
static_assert(offsetof(AcquireRecord, monitor) == 1152);
static_assert(offsetof(AcquireRecord, platformData) == 1192);
static_assert(offsetof(AcquireRecord, bufferProcs) == 1196);
static_assert(offsetof(AcquireRecord, resourceProcs) == 1200);
static_assert(offsetof(AcquireRecord, processEvent) == 1204);
static_assert(offsetof(AcquireRecord, canReadBack) == 1208);
static_assert(offsetof(AcquireRecord, wantReadBack) == 1209);
static_assert(offsetof(AcquireRecord, acquireAgain) == 1210);
static_assert(offsetof(AcquireRecord, canFinalize) == 1211);
static_assert(offsetof(AcquireRecord, displayPixels) == 1212);
static_assert(offsetof(AcquireRecord, handleProcs) == 1216);
static_assert(offsetof(AcquireRecord, wantFinalize) == 1220);
static_assert(offsetof(AcquireRecord, colorServices) == 1224);
static_assert(offsetof(AcquireRecord, advanceState) == 1228);
static_assert(offsetof(AcquireRecord, imageServicesProcs) == 1232);
static_assert(offsetof(AcquireRecord, tileWidth) == 1236);
static_assert(offsetof(AcquireRecord, tileOrigin) == 1240);
static_assert(offsetof(AcquireRecord, propertyProcs) == 1244);
static_assert(offsetof(AcquireRecord, descriptorParameters) == 1248);
static_assert(offsetof(AcquireRecord, errorString) == 1252);
static_assert(offsetof(AcquireRecord, isFirstAlphaTransparency) == 1256);
static_assert(offsetof(AcquireRecord, maxValue) == 1260);
static_assert(offsetof(AcquireRecord, sSPBasic) == 1264);
static_assert(offsetof(AcquireRecord, lutCount) == 1292);
static_assert(offsetof(AcquireRecord, HostSupports32BitCoordinates) == 1300);
static_assert(offsetof(AcquireRecord, imageSize32) == 1308);
static_assert(offsetof(AcquireRecord, theRect32) == 1316);
static_assert(offsetof(AcquireRecord, diskSpace64) == 1336);
static_assert(offsetof(AcquireRecord, reserved) == 1356);
static_assert(sizeof(AcquireRecord) == 1456);
static_assert(sizeof(BufferProcs) == 24);
static_assert(sizeof(HandleProcs) == 32);
static_assert(sizeof(ReadDescriptorProcs) == 76);
static_assert(sizeof(WriteDescriptorProcs) == 68);
static_assert(sizeof(PIDescriptorParameters) == 20);
static_assert(offsetof(PIDescriptorParameters, descriptor) == 8);
static_assert(sizeof(AboutRecord) == 256);
#endif

// The exported entry, cdecl with C linkage on every build.
extern "C" void HOSTAPI ENTRYPOINT(int16_t selector, void* stuff, intptr_t* data, int16_t* result);
