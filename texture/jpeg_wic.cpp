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

// The path as UTF-16 for WIC, read in the ANSI code page like every other "A" call; false on
// a conversion failure or an empty path.
bool widenPath(const char *path, wchar_t *wide, int capacity) {
    if (!path || path[0] == '\0')
        return false;
    return MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, path, -1, wide, capacity) > 0;
}

// Opens the file's first frame. The caller releases both objects, whatever the result.
HRESULT openFrame(WicState *state, const char *path, IWICBitmapDecoder **decoder,
                  IWICBitmapFrameDecode **frame) {
    wchar_t widePath[MAX_PATH];
    if (!widenPath(path, widePath, MAX_PATH))
        return E_INVALIDARG;
    HRESULT hr = state->factory->CreateDecoderFromFilename(widePath, nullptr, GENERIC_READ,
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
    IWICBitmapDecoder *decoder = nullptr;
    IWICBitmapFrameDecode *frame = nullptr;
    UINT width = 0, height = 0;
    HRESULT hr = openFrame(state, properties->path, &decoder, &frame);
    if (SUCCEEDED(hr))
        hr = frame->GetSize(&width, &height);
    releaseCom(frame);
    releaseCom(decoder);
    if (FAILED(hr) || width == 0 || height == 0 || width > INT32_MAX || height > INT32_MAX)
        return -1;
    properties->imageWidth = static_cast<int32_t>(width);
    properties->imageHeight = static_cast<int32_t>(height);
    return 0;
}

int readImage(WicState *state, JpegProperties *properties) {
    if (readParameters(state, properties) != 0)
        return -1;
    if (!jpegOutputDeliverable(*properties))
        return -1;
    // CopyPixels takes 32-bit sizes.
    const unsigned long long stride = static_cast<unsigned long long>(properties->outputWidth) * 3;
    const unsigned long long bytes =
        stride * static_cast<unsigned long long>(properties->outputHeight);
    if (bytes > UINT_MAX)
        return -1;

    IWICBitmapDecoder *decoder = nullptr;
    IWICBitmapFrameDecode *frame = nullptr;
    IWICFormatConverter *converter = nullptr;
    HRESULT hr = openFrame(state, properties->path, &decoder, &frame);
    if (SUCCEEDED(hr))
        hr = state->factory->CreateFormatConverter(&converter);
    if (SUCCEEDED(hr))
        hr = converter->Initialize(frame, GUID_WICPixelFormat24bppRGB, WICBitmapDitherTypeNone,
                                   nullptr, 0.0, WICBitmapPaletteTypeCustom);
    if (SUCCEEDED(hr))
        hr = converter->CopyPixels(nullptr, static_cast<UINT>(stride), static_cast<UINT>(bytes),
                                   properties->output);
    releaseCom(converter);
    releaseCom(frame);
    releaseCom(decoder);
    return SUCCEEDED(hr) ? 0 : -1;
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
    switch (mode) {
    case jpegReadParameters:
        return readParameters(state, properties);
    case jpegReadImage:
        return readImage(state, properties);
    default:
        return -1;
    }
}

int jpegFree(JpegProperties *properties) {
    if (!properties || !properties->decoder)
        return 0;
    WicState *state = static_cast<WicState *>(properties->decoder);
    releaseCom(state->factory);
    if (state->uninitialiseCom)
        CoUninitialize();
    delete state;
    properties->decoder = nullptr;
    return 0;
}
