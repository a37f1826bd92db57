// The JPEG decoder on the Windows Imaging Component, which every Windows since XP SP3 carries:
// the executable needs no decoder DLL of its own.
#include "texture/jpeg_decoder.h"

#include <windows.h>
#include <objbase.h>
#include <wincodec.h>

#include <climits>
#include <new>

namespace {

// What the decoder holds for one record between jpegInit and jpegFree.
struct WicState {
    IWICImagingFactory *factory;
    bool uninitialiseCom; // this record's CoInitializeEx succeeded and must be balanced
};

template <typename T> void releaseCom(T *&object) {
    if (object) {
        object->Release();
        object = nullptr;
    }
}

int fail(JpegProperties *properties, JpegFailure failure, DWORD systemError = 0) {
    properties->failure = failure;
    properties->systemError = static_cast<int32_t>(systemError);
    return -1;
}

// The path as UTF-16, read in the ANSI code page like every other "A" call; false on a
// conversion failure or an empty path.
bool widenPath(const char *path, wchar_t *wide, int capacity) {
    if (!path || path[0] == '\0')
        return false;
    return MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, path, -1, wide, capacity) > 0;
}

// Reads the whole file into properties->fileData once. The path may name anything a user
// types: a directory is refused by its attributes, and the opened handle must be a disk file
// (not a pipe, a console or another device) before a byte is read. 0 on success.
int readFile(JpegProperties *properties) {
    if (properties->memory) { // bytes in memory need no reading, only a look at their size
        const JpegFailure failure = jpegMemoryFailure(*properties);
        return failure == jpegFailureNone ? 0 : fail(properties, failure);
    }
    if (properties->fileData)
        return 0;
    wchar_t path[MAX_PATH];
    if (!widenPath(properties->path, path, MAX_PATH))
        return fail(properties, jpegFailureOpen, ERROR_INVALID_NAME);
    const DWORD attributes = GetFileAttributesW(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return fail(properties, jpegFailureNotRegularFile);
    const HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return fail(properties, jpegFailureOpen, GetLastError());
    int result = 0;
    LARGE_INTEGER size = {};
    if (GetFileType(file) != FILE_TYPE_DISK)
        result = fail(properties, jpegFailureNotRegularFile);
    else if (!GetFileSizeEx(file, &size))
        result = fail(properties, jpegFailureRead, GetLastError());
    else if (size.QuadPart == 0)
        result = fail(properties, jpegFailureNotJpeg);
    else if (size.QuadPart > jpegMaxFileSize)
        result = fail(properties, jpegFailureFileTooLarge);
    unsigned char *data = nullptr;
    const DWORD bytes = result == 0 ? static_cast<DWORD>(size.QuadPart) : 0;
    if (result == 0) {
        data = new (std::nothrow) unsigned char[bytes];
        if (!data)
            result = fail(properties, jpegFailureOutOfMemory);
    }
    for (DWORD got = 0; result == 0 && got < bytes;) {
        DWORD n = 0;
        if (!ReadFile(file, data + got, bytes - got, &n, nullptr))
            result = fail(properties, jpegFailureRead, GetLastError());
        else if (n == 0)
            result = fail(properties, jpegFailureRead); // the file shrank while being read
        got += n;
    }
    CloseHandle(file);
    if (result != 0) {
        delete[] data;
        return result;
    }
    properties->fileData = data;
    properties->fileSize = bytes;
    return 0;
}

// Opens the first frame of the picture's bytes. The caller releases all three objects, whatever
// the result.
HRESULT openFrame(WicState *state, JpegProperties *properties, IWICStream **stream,
                  IWICBitmapDecoder **decoder, IWICBitmapFrameDecode **frame) {
    HRESULT hr = state->factory->CreateStream(stream);
    if (SUCCEEDED(hr))
        hr = (*stream)->InitializeFromMemory(const_cast<BYTE *>(jpegBytes(*properties)),
                                             static_cast<DWORD>(jpegByteCount(*properties)));
    if (SUCCEEDED(hr))
        hr = state->factory->CreateDecoderFromStream(*stream, nullptr,
                                                     WICDecodeMetadataCacheOnDemand, decoder);
    if (FAILED(hr))
        return hr;
    // Only JPEG files count, as with the decoder on other platforms.
    GUID container;
    hr = (*decoder)->GetContainerFormat(&container);
    if (FAILED(hr))
        return hr;
    if (!IsEqualGUID(container, GUID_ContainerFormatJpeg))
        return WINCODEC_ERR_COMPONENTNOTFOUND;
    return (*decoder)->GetFrame(0, frame);
}

int readParameters(WicState *state, JpegProperties *properties) {
    if (readFile(properties) != 0)
        return -1;
    IWICStream *stream = nullptr;
    IWICBitmapDecoder *decoder = nullptr;
    IWICBitmapFrameDecode *frame = nullptr;
    UINT width = 0, height = 0;
    HRESULT hr = openFrame(state, properties, &stream, &decoder, &frame);
    if (SUCCEEDED(hr))
        hr = frame->GetSize(&width, &height);
    releaseCom(frame);
    releaseCom(decoder);
    releaseCom(stream);
    if (hr == E_OUTOFMEMORY)
        return fail(properties, jpegFailureOutOfMemory);
    if (FAILED(hr) || width == 0 || height == 0 || width > INT32_MAX || height > INT32_MAX)
        return fail(properties, jpegFailureNotJpeg);
    const int32_t divisor =
        jpegScaleDivisor(static_cast<int32_t>(width), static_cast<int32_t>(height),
                         properties->maxDimension, properties->maxOutputBytes);
    if (divisor == 0)
        return fail(properties, jpegFailureImageTooLarge);
    properties->imageWidth = static_cast<int32_t>(width);
    properties->imageHeight = static_cast<int32_t>(height);
    properties->scaledWidth = jpegScaledSide(properties->imageWidth, divisor);
    properties->scaledHeight = jpegScaledSide(properties->imageHeight, divisor);
    return 0;
}

int readImage(WicState *state, JpegProperties *properties) {
    if (readParameters(state, properties) != 0)
        return -1;
    if (!jpegOutputDeliverable(*properties))
        return fail(properties, jpegFailureBadRequest);
    // CopyPixels takes 32-bit sizes.
    const unsigned long long stride = static_cast<unsigned long long>(properties->outputWidth) * 3;
    const unsigned long long bytes =
        stride * static_cast<unsigned long long>(properties->outputHeight);
    if (bytes > UINT_MAX)
        return fail(properties, jpegFailureImageTooLarge);

    IWICStream *stream = nullptr;
    IWICBitmapDecoder *decoder = nullptr;
    IWICBitmapFrameDecode *frame = nullptr;
    IWICBitmapScaler *scaler = nullptr;
    IWICFormatConverter *converter = nullptr;
    HRESULT hr = openFrame(state, properties, &stream, &decoder, &frame);
    IWICBitmapSource *source = frame;
    // A scaled size goes through the scaler, which lets the JPEG decoder scale in its DCT where
    // it can, as TurboJPEG does.
    const bool scaled = properties->scaledWidth != properties->imageWidth ||
                        properties->scaledHeight != properties->imageHeight;
    if (SUCCEEDED(hr) && scaled) {
        hr = state->factory->CreateBitmapScaler(&scaler);
        if (SUCCEEDED(hr))
            hr = scaler->Initialize(frame, static_cast<UINT>(properties->scaledWidth),
                                    static_cast<UINT>(properties->scaledHeight),
                                    WICBitmapInterpolationModeFant);
        source = scaler;
    }
    if (SUCCEEDED(hr))
        hr = state->factory->CreateFormatConverter(&converter);
    if (SUCCEEDED(hr))
        hr = converter->Initialize(source, GUID_WICPixelFormat24bppRGB, WICBitmapDitherTypeNone,
                                   nullptr, 0.0, WICBitmapPaletteTypeCustom);
    if (SUCCEEDED(hr))
        hr = converter->CopyPixels(nullptr, static_cast<UINT>(stride), static_cast<UINT>(bytes),
                                   properties->output);
    releaseCom(converter);
    releaseCom(scaler);
    releaseCom(frame);
    releaseCom(decoder);
    releaseCom(stream);
    if (hr == E_OUTOFMEMORY)
        return fail(properties, jpegFailureOutOfMemory);
    return SUCCEEDED(hr) ? 0 : fail(properties, jpegFailureBadData);
}

} // namespace

int jpegInit(JpegProperties *properties) {
    if (!properties)
        return -1;
    properties->decoder = nullptr;
    properties->fileData = nullptr;
    properties->fileSize = 0;

    WicState *state = new (std::nothrow) WicState{nullptr, false};
    if (!state)
        return -1;
    // S_FALSE: already initialised on this thread, still to be balanced. RPC_E_CHANGED_MODE:
    // initialised in the other model by someone else, which serves WIC just as well.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    if (FAILED(com) && com != RPC_E_CHANGED_MODE) {
        delete state;
        return -1;
    }
    state->uninitialiseCom = SUCCEEDED(com);
    const HRESULT hr =
        CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                         IID_IWICImagingFactory, reinterpret_cast<void **>(&state->factory));
    if (FAILED(hr) || !state->factory) {
        if (state->uninitialiseCom)
            CoUninitialize();
        delete state;
        return -1;
    }
    properties->decoder = state;
    return 0;
}

int jpegRead(JpegProperties *properties, int32_t mode) {
    if (!properties || !properties->decoder)
        return -1;
    WicState *state = static_cast<WicState *>(properties->decoder);
    properties->failure = jpegFailureNone;
    properties->systemError = 0;
    switch (mode) {
    case jpegReadParameters:
        return readParameters(state, properties);
    case jpegReadImage:
        return readImage(state, properties);
    default:
        return fail(properties, jpegFailureBadRequest);
    }
}

int jpegFree(JpegProperties *properties) {
    if (!properties)
        return 0;
    delete[] properties->fileData;
    properties->fileData = nullptr;
    properties->fileSize = 0;
    if (!properties->decoder)
        return 0;
    WicState *state = static_cast<WicState *>(properties->decoder);
    releaseCom(state->factory);
    if (state->uninitialiseCom)
        CoUninitialize();
    delete state;
    properties->decoder = nullptr;
    return 0;
}
