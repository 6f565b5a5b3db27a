#include "imaging/fast_dib.h"

#include "imaging/bmp_format_p.h"
#include "imaging/image_file_io_p.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

int ScreenBits = 32;
int ScreenLayout16 = 565;

[[noreturn]] void Fail(const std::string& message) {
    throw EImageError(message);
}

bool ValidDepth(int bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

struct TLayoutDigits {
    int Red, Green, Blue;
};

TLayoutDigits DigitsOf(int layout) {
    return {layout / 100, layout / 10 % 10, layout % 10};
}

// Blue takes the lowest bits, green the next, red the next.
std::array<TBitField, 3> FieldsOfLayout(int layout) {
    const TLayoutDigits digits = DigitsOf(layout);
    return {TBitField{digits.Blue + digits.Green, digits.Red}, TBitField{digits.Blue, digits.Green},
            TBitField{0, digits.Blue}};
}

TPalette GreyRamp(int entries) {
    TPalette ramp(static_cast<std::size_t>(entries));
    for (int i = 0; i < entries; ++i) {
        const auto level = uint8_t(i * 255 / (entries - 1));
        ramp[std::size_t(i)] = {level, level, level};
    }
    return ramp;
}

uint32_t LoadPixel(const uint8_t* p, int bytes) {
    uint32_t pixel = 0;
    for (int i = 0; i < bytes; ++i)
        pixel |= uint32_t(p[i]) << (8 * i);
    return pixel;
}

void StorePixel(uint8_t* p, int bytes, uint32_t pixel) {
    for (int i = 0; i < bytes; ++i)
        p[i] = uint8_t(pixel >> (8 * i));
}

// Channel values 0..max scaled to 0..255, rounded.
std::vector<uint8_t> ScaleTable(const TBitField& field) {
    const uint32_t max = field.Max();
    std::vector<uint8_t> table(std::size_t(max) + 1, 0);
    if (max > 0)
        for (uint32_t value = 0; value <= max; ++value)
            table[value] = uint8_t((value * 255 + max / 2) / max);
    return table;
}

} // namespace

void SetFastDIBScreenFormat(int bitsPerPixel, int layout16) {
    if (!ValidDepth(bitsPerPixel) || (layout16 != 565 && layout16 != 555))
        Fail("Invalid screen pixel format");
    ScreenBits = bitsPerPixel;
    ScreenLayout16 = layout16;
}

int FastDIBScreenBits() {
    return ScreenBits;
}

int FastDIBScreenLayout16() {
    return ScreenLayout16;
}

TFastDIB::TFastDIB(const TFastDIB& other)
    : Width_(other.Width_), Height_(other.Height_), Bits_(other.Bits_), Layout_(other.Layout_),
      Stride_(other.Stride_), Masks_(other.Masks_), ColorTable_(other.ColorTable_),
      ColorsUsed_(other.ColorsUsed_), XPelsPerMeter_(other.XPelsPerMeter_),
      YPelsPerMeter_(other.YPelsPerMeter_), Pixels_(other.Pixels_) {
    FillRowTable();
}

TFastDIB& TFastDIB::operator=(const TFastDIB& other) {
    if (this != &other) {
        TFastDIB copy(other);
        Swap(copy);
    }
    return *this;
}

TFastDIB::TFastDIB(TFastDIB&& other) noexcept {
    Swap(other);
}

TFastDIB& TFastDIB::operator=(TFastDIB&& other) noexcept {
    TFastDIB taken(std::move(other));
    Swap(taken);
    return *this;
}

void TFastDIB::Swap(TFastDIB& other) noexcept {
    std::swap(Width_, other.Width_);
    std::swap(Height_, other.Height_);
    std::swap(Bits_, other.Bits_);
    std::swap(Layout_, other.Layout_);
    std::swap(Stride_, other.Stride_);
    std::swap(Masks_, other.Masks_);
    ColorTable_.swap(other.ColorTable_);
    std::swap(ColorsUsed_, other.ColorsUsed_);
    std::swap(XPelsPerMeter_, other.XPelsPerMeter_);
    std::swap(YPelsPerMeter_, other.YPelsPerMeter_);
    Pixels_.swap(other.Pixels_);
    Rows_.swap(other.Rows_);
}

void TFastDIB::SetSize(int width, int height, int bitsPerPixel, int layout) {
    const int64_t rows = std::abs(int64_t(height)); // a negative height counts as its size
    const int bits = bitsPerPixel == 0 ? ScreenBits : bitsPerPixel;
    if (!ValidDepth(bits))
        Fail("Unsupported bits per pixel " + std::to_string(bitsPerPixel));
    if (bits == 16 || bits == 32) {
        if (layout == 0)
            layout = bits == 16 ? ScreenLayout16 : 888;
        const TLayoutDigits digits = DigitsOf(layout);
        if (layout < 0 || layout > 999 || digits.Red + digits.Green + digits.Blue > bits)
            Fail("Invalid layout " + std::to_string(layout) + " for " + std::to_string(bits) +
                 " bits per pixel");
    } else {
        layout = 0;
    }
    if (width < 0 || width > MaxImageDimension || rows > MaxImageDimension)
        Fail("Invalid image size " + std::to_string(width) + "x" + std::to_string(height));
    const std::size_t stride = DibRowStride(width, bits);
    if (rows > 0 && stride > MaxImageBytes / std::size_t(rows))
        Fail("Image too large: " + std::to_string(width) + "x" + std::to_string(height));
    CheckImagePixels(width, int(rows));
    if (width == Width_ && rows == Height_ && bits == Bits_ && layout == Layout_)
        return;

    const std::size_t bytes = stride * std::size_t(rows);
    CheckWorkingMemory(bytes, [&] {
        return "a " + std::to_string(width) + "x" + std::to_string(rows) + " image";
    });
    TBudgetVector<uint8_t> pixels(bytes, 0);
    Pixels_.swap(pixels);
    if (bits != Bits_)
        ColorTable_ = bits <= 8 ? GreyRamp(1 << bits) : TPalette();
    Width_ = width;
    Height_ = int(rows);
    Bits_ = bits;
    Layout_ = layout;
    Stride_ = stride;
    Masks_ = {0, 0, 0};
    if (layout != 0) {
        const auto fields = FieldsOfLayout(layout);
        for (std::size_t i = 0; i < 3; ++i)
            Masks_[i] = fields[i].Mask();
    }
    ColorsUsed_ = 0;
    XPelsPerMeter_ = 0;
    YPelsPerMeter_ = 0;
    FillRowTable();
}

void TFastDIB::FillRowTable() {
    Rows_.resize(std::size_t(Height_));
    uint8_t* row = Pixels_.data();
    for (uint8_t*& entry : Rows_) {
        entry = row;
        row += Stride_;
    }
}

std::size_t TFastDIB::Gap() const {
    const std::size_t width = std::size_t(Width_);
    const std::size_t pixelBytes =
        Bits_ < 8 ? width / std::size_t(8 / Bits_) : width * std::size_t(Bits_ / 8);
    return Stride_ - pixelBytes;
}

void TFastDIB::SetColorTable(const TPalette& colors) {
    if (Bits_ <= 8)
        ColorTable_ = PaletteOfSize(colors, std::size_t(1) << Bits_);
}

uint32_t TFastDIB::PixelColor(int x, int y) const {
    const uint8_t* row = Row(y);
    switch (Bits_) {
    case 1:
        return EntryColor(ColorTable_[(row[x >> 3] >> (7 - (x & 7))) & 1]);
    case 4:
        return EntryColor(ColorTable_[(x & 1) ? row[x >> 1] & 0x0F : row[x >> 1] >> 4]);
    case 8:
        return EntryColor(ColorTable_[row[x]]);
    case 24: {
        const uint8_t* p = row + std::size_t(x) * 3;
        return MakeColor(p[2], p[1], p[0]);
    }
    default: {
        const uint32_t pixel = LoadPixel(row + std::size_t(x) * std::size_t(Bits_ / 8), Bits_ / 8);
        const auto fields = FieldsOfLayout(Layout_);
        int channels[3];
        for (std::size_t i = 0; i < 3; ++i) {
            const uint32_t max = fields[i].Max();
            const uint32_t value = (pixel >> fields[i].Shift) & max;
            channels[i] = max == 0 ? 0 : int((value * 255 + max / 2) / max);
        }
        return MakeColor(channels[0], channels[1], channels[2]);
    }
    }
}

void TFastDIB::RowColors(int y, uint32_t* colors) const {
    const uint8_t* row = Row(y);
    if (Bits_ <= 8) {
        uint32_t table[256];
        for (std::size_t i = 0; i < ColorTable_.size(); ++i)
            table[i] = EntryColor(ColorTable_[i]);
        for (int x = 0; x < Width_; ++x) {
            const int index = Bits_ == 8   ? row[x]
                              : Bits_ == 4 ? ((x & 1) ? row[x >> 1] & 0x0F : row[x >> 1] >> 4)
                                           : (row[x >> 3] >> (7 - (x & 7))) & 1;
            colors[x] = table[index];
        }
    } else if (Bits_ == 24) {
        for (int x = 0; x < Width_; ++x, row += 3)
            colors[x] = MakeColor(row[2], row[1], row[0]);
    } else if (Bits_ == 32 && Layout_ == 888) {
        for (int x = 0; x < Width_; ++x, row += 4)
            colors[x] = MakeColor(row[2], row[1], row[0]);
    } else {
        const auto fields = FieldsOfLayout(Layout_);
        const std::vector<uint8_t> red = ScaleTable(fields[0]), green = ScaleTable(fields[1]),
                                   blue = ScaleTable(fields[2]);
        const int bytes = Bits_ / 8;
        for (int x = 0; x < Width_; ++x, row += bytes) {
            const uint32_t pixel = LoadPixel(row, bytes);
            colors[x] = MakeColor(red[(pixel >> fields[0].Shift) & fields[0].Max()],
                                  green[(pixel >> fields[1].Shift) & fields[1].Max()],
                                  blue[(pixel >> fields[2].Shift) & fields[2].Max()]);
        }
    }
}

void TFastDIB::FlipRows() {
    for (int y = 0; y < Height_ / 2; ++y)
        std::swap_ranges(Row(y), Row(y) + Stride_, Row(Height_ - 1 - y));
}

void TFastDIB::LoadFromBmp(std::span<const uint8_t> data) {
    TByteReader reader(data, "BMP");
    const TBmpHeader header = ReadBmpHeader(reader);
    const int bits = header.Bits;
    if (!ValidDepth(bits))
        Fail("Unsupported BMP bit count " + std::to_string(bits));

    // The layout code holds one decimal digit per channel.
    int layout = 0;
    std::array<TBitField, 3> fileFields{};
    if (bits == 16 || bits == 32) {
        for (std::size_t i = 0; i < 3; ++i) {
            fileFields[i] = TBitField::OfMask(header.Masks[i]);
            if (fileFields[i].Bits > 9)
                Fail("Unsupported BMP bit fields");
        }
        layout = 100 * fileFields[0].Bits + 10 * fileFields[1].Bits + fileFields[2].Bits;
    }

    TFastDIB loaded;
    loaded.SetSize(header.Width, header.Height, bits, layout);
    loaded.SetColorTable(header.Palette);
    if (bits <= 8 && header.ColorsUsed != 0)
        loaded.ColorsUsed_ = int(header.Palette.size());
    loaded.XPelsPerMeter_ = header.XPelsPerMeter;
    loaded.YPelsPerMeter_ = header.YPelsPerMeter;

    if (header.RunLengthCoded()) {
        DecodeBmpRunLengths(reader, header, loaded.Rows_);
    } else {
        // Fields elsewhere than where the layout puts them are moved there, bit for bit.
        const auto fields = FieldsOfLayout(layout);
        bool moveFields = false;
        for (std::size_t i = 0; i < 3 && layout != 0; ++i)
            moveFields |= fileFields[i].Bits != 0 && fileFields[i].Shift != fields[i].Shift;
        const std::size_t fileStride = DibRowStride(header.Width, bits);
        const std::size_t rowBytes = PackedRowBytes(header.Width, bits);
        const int bytes = bits / 8;
        const uint8_t* pixels = data.data() + header.DataStart;
        for (int i = 0; i < header.Height; ++i) {
            const uint8_t* source = pixels + std::size_t(i) * fileStride;
            uint8_t* target = loaded.Row(header.TopDown ? i : header.Height - 1 - i);
            if (bits < 8) {
                RepackIndices(source, bits, header.Width, target, bits);
            } else if (!moveFields) {
                std::memcpy(target, source, rowBytes);
            } else {
                for (int x = 0; x < header.Width; ++x, source += bytes, target += bytes) {
                    const uint32_t pixel = LoadPixel(source, bytes);
                    uint32_t moved = 0;
                    for (std::size_t c = 0; c < 3; ++c)
                        moved |= ((pixel >> fileFields[c].Shift) & fileFields[c].Max())
                                 << fields[c].Shift;
                    StorePixel(target, bytes, moved);
                }
            }
        }
    }
    *this = std::move(loaded);
}

void TFastDIB::LoadFromFile(const std::string& path) {
    LoadFromBmp(ReadImageFileBytes(path));
}

std::vector<uint8_t> TFastDIB::SaveToBmp() const {
    const bool bitFields = Bits_ == 16 || Bits_ == 32;
    // The core header holds 16-bit sizes; a larger buffer needs the information header to
    // keep its size.
    const bool fitsCore = Width_ <= 0xFFFF && Height_ <= 0xFFFF;
    const bool infoHeader = bitFields || ColorsUsed_ != 0 || !fitsCore;
    // The used colours, or the whole table when there is no count (a buffer too large for
    // the core header).
    const std::size_t colorCount = ColorsUsed_ != 0 ? std::size_t(ColorsUsed_)
                                   : Bits_ <= 8     ? std::size_t(1) << Bits_
                                                    : 0;
    const std::size_t pixelOffset =
        infoHeader ? BmpFileHeaderSize + BmpInfoHeaderSize + (bitFields ? 12 : colorCount * 4)
                   : BmpFileHeaderSize + BmpCoreHeaderSize + colorCount * 3;
    const std::size_t fileSize = pixelOffset + Pixels_.size();
    CheckBmpFileSize(fileSize);

    TBytes out;
    out.reserve(fileSize);
    PutBmpFileHeader(out, fileSize, pixelOffset);
    if (infoHeader) {
        PutBmpInfoHeader(out, {.Width = Width_,
                               .Height = Height_,
                               .Bits = Bits_,
                               .Compression = bitFields ? BI_BITFIELDS : BI_RGB,
                               .ImageSize = Pixels_.size(),
                               .XPelsPerMeter = XPelsPerMeter_,
                               .YPelsPerMeter = YPelsPerMeter_,
                               .ColorsUsed = uint32_t(ColorsUsed_)});
        if (bitFields)
            for (uint32_t mask : Masks_)
                PutU32(out, mask);
        for (std::size_t i = 0; i < colorCount; ++i) {
            const TPaletteEntry& entry = ColorTable_[i];
            PutU8(out, entry.Blue);
            PutU8(out, entry.Green);
            PutU8(out, entry.Red);
            PutU8(out, 0);
        }
    } else {
        PutU32(out, BmpCoreHeaderSize);
        PutU16(out, unsigned(Width_));
        PutU16(out, unsigned(Height_));
        PutU16(out, 1);
        PutU16(out, unsigned(Bits_));
        for (std::size_t i = 0; i < colorCount; ++i) {
            const TPaletteEntry& entry = ColorTable_[i];
            PutU8(out, entry.Blue);
            PutU8(out, entry.Green);
            PutU8(out, entry.Red);
        }
    }
    // Files store the bottom row first.
    for (int y = Height_ - 1; y >= 0; --y)
        out.insert(out.end(), Row(y), Row(y) + Stride_);
    return out;
}

void TFastDIB::SaveToFile(const std::string& path) const {
    WriteImageFileBytes(path, SaveToBmp());
}
