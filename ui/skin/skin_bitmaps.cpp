// The skin's bitmaps at a window's DPI: the 100 % bitmaps are BITMAP
// resources; the sets drawn for 150 % and 200 % are PNG resources (small in
// the program), decoded with the system's imaging component. A scale between
// two sets takes the larger one and shrinks it (dpi_scale.h).
#include <objbase.h>
#include <wincodec.h>

#include <vector>

#include "base/debug_log.h"
#include "resources/skin_sets.h"
#include "ui/skin/skin_gdi.h"

namespace skin {
namespace {

HBITMAP LoadBmpResource(int id) {
    return static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0,
                                           LR_CREATEDIBSECTION));
}

const SkinSetRow* SetRowOf(int id) {
    for (const SkinSetRow& row : kSkinSets)
        if (row.id == id) return &row;
    return nullptr;
}

int Stride(int width) { return (width * 3 + 3) & ~3; }

// 24-bit pixels, rows top-down.
BITMAPINFO TopDown24(PixelSize size) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = size.w;
    info.bmiHeader.biHeight = -size.h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

// A top-down 24-bit DIB section of the given size; `bits` receives its pixels.
HBITMAP CreateDib(PixelSize size, void** bits) {
    const BITMAPINFO info = TopDown24(size);
    return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0);
}

template <class T>
struct ComPtr {
    T* p = nullptr;
    ~ComPtr() { if (p) p->Release(); }
    T** operator&() { return &p; }
    T* operator->() const { return p; }
};

HBITMAP DecodePngResource(int id) {
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), "PNG");
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    auto* data = static_cast<BYTE*>(loaded ? LockResource(loaded) : nullptr);
    if (!data) return nullptr;
    ComPtr<IWICImagingFactory> factory;
    HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory1, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                  reinterpret_cast<void**>(&factory));
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    ComPtr<IWICFormatConverter> converter;
    if (SUCCEEDED(hr)) hr = factory->CreateStream(&stream);
    if (SUCCEEDED(hr)) hr = stream->InitializeFromMemory(data, SizeofResource(module, found));
    if (SUCCEEDED(hr)) hr = factory->CreateDecoderFromStream(stream.p, nullptr, WICDecodeMetadataCacheOnDemand, &decoder);
    if (SUCCEEDED(hr)) hr = decoder->GetFrame(0, &frame);
    if (SUCCEEDED(hr)) hr = factory->CreateFormatConverter(&converter);
    if (SUCCEEDED(hr))
        hr = converter->Initialize(frame.p, GUID_WICPixelFormat24bppBGR, WICBitmapDitherTypeNone, nullptr, 0,
                                   WICBitmapPaletteTypeCustom);
    UINT w = 0, h = 0;
    if (SUCCEEDED(hr)) hr = converter->GetSize(&w, &h);
    void* bits = nullptr;
    HBITMAP bitmap = SUCCEEDED(hr) ? CreateDib({static_cast<int>(w), static_cast<int>(h)}, &bits) : nullptr;
    if (bitmap) {
        const UINT stride = static_cast<UINT>(Stride(static_cast<int>(w)));
        hr = converter->CopyPixels(nullptr, stride, stride * h, static_cast<BYTE*>(bits));
        if (FAILED(hr)) {
            DeleteObject(bitmap);
            bitmap = nullptr;
        }
    }
    if (!bitmap) DebugLog("[Skin] picture %d could not be decoded (0x%08lX)\n", id, static_cast<unsigned long>(hr));
    return bitmap;
}

// `source` shrunk to `size` with a box filter, cell by cell; `source` is freed.
// Its pixels are read top-down whatever way its rows are stored.
HBITMAP Shrink(HBITMAP source, PixelSize size, int cells) {
    BITMAP bm{};
    if (!GetObjectA(source, sizeof bm, &bm)) return source;
    const PixelSize from{bm.bmWidth, bm.bmHeight};
    if (from == size) return source;
    std::vector<std::uint8_t> pixels(static_cast<size_t>(Stride(from.w)) * from.h);
    BITMAPINFO info = TopDown24(from);
    HDC screen = GetDC(nullptr);
    const int rows = GetDIBits(screen, source, 0, from.h, pixels.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    void* bits = nullptr;
    HBITMAP out = rows == from.h ? CreateDib(size, &bits) : nullptr;
    if (!out) return source;
    ShrinkPixels(pixels.data(), from, Stride(from.w), static_cast<std::uint8_t*>(bits), size, Stride(size.w), cells);
    DeleteObject(source);
    return out;
}

}  // namespace

HBITMAP LoadSkinBitmap(int id, int dpi) {
    const SkinSetRow* row = SetRowOf(id);
    if (dpi == kBaseDpi || !row) return LoadBmpResource(id);
    const int set = SkinSetFor(dpi);
    HBITMAP drawn = set == 0 ? LoadBmpResource(id) : DecodePngResource(row->setIds[set - 1]);
    if (!drawn) return LoadBmpResource(id);
    // The size asked for follows from the 100 % picture, cell by cell.
    const SIZE base = [&] {
        GdiObject<HBITMAP> plain(LoadBmpResource(id));
        return BitmapSize(plain.get());
    }();
    return Shrink(drawn, ScaledBitmapSize({base.cx, base.cy}, row->cells, dpi), row->cells);
}

}  // namespace skin
