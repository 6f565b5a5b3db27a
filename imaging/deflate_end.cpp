#include "imaging/deflate_end_p.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

namespace {

// Bits of a byte block, lowest bit of the first byte first, as deflate packs them, read
// through a 64-bit buffer. Past the end of the data come zeros, and Overrun() tells.
class TBitReader {
public:
    explicit TBitReader(std::span<const uint8_t> data) : Data_(data) {}

    // At least 56 bits in the buffer.
    void Refill() {
        if (Count_ >= 56)
            return;
        if (std::endian::native == std::endian::little && Next_ + 8 <= Data_.size()) {
            uint64_t word;
            std::memcpy(&word, Data_.data() + Next_, 8);
            Buffer_ |= word << Count_;
            Next_ += std::size_t(63 - Count_) >> 3;
            Count_ |= 56;
            return;
        }
        for (; Count_ <= 56; Count_ += 8) {
            if (Next_ < Data_.size())
                Buffer_ |= uint64_t(Data_[Next_]) << Count_;
            ++Next_;
        }
    }

    // The buffered bits, the next one lowest. Callers refill first.
    uint64_t Bits() const { return Buffer_; }
    void Drop(int count) {
        Buffer_ >>= count;
        Count_ -= count;
    }
    uint32_t Take(int count) {
        Refill();
        const uint32_t bits = uint32_t(Buffer_ & ((uint64_t(1) << count) - 1));
        Drop(count);
        return bits;
    }
    // The number of bits read so far.
    std::size_t Position() const { return Next_ * 8 - std::size_t(Count_); }
    void AlignToByte() { Drop(Count_ & 7); }
    // Skips whole bytes; the position must be on a byte boundary.
    void SkipBytes(std::size_t count) {
        const std::size_t position = Position() + count * 8;
        Next_ = position / 8;
        Buffer_ = 0;
        Count_ = 0;
    }
    // True once a read went past the last bit of the data.
    bool Overrun() const { return Position() > Data_.size() * 8; }

private:
    std::span<const uint8_t> Data_;
    std::size_t Next_ = 0; // the next byte to load
    uint64_t Buffer_ = 0;
    int Count_ = 0; // bits in the buffer
};

constexpr int MaxCodeLength = 15;

// What a code stands for when only its length matters: how many bits to skip (the code and
// the extra bits after it) and what comes next.
enum TCodeKind : uint8_t { ckLiteral, ckLength, ckEnd, ckInvalid };

struct TCodeSkip {
    uint8_t Bits = 0; // code and extra bits; 0 where no code of up to TableBits bits fits
    TCodeKind Kind = ckInvalid;
};

// Extra bits after each length symbol (257 to 285) and each distance symbol (0 to 29).
constexpr std::array<uint8_t, 29> LengthExtraBits{0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                  2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<uint8_t, 30> DistanceExtraBits{0, 0, 0,  0,  1,  1,  2,  2,  3,  3,
                                                    4, 4, 5,  5,  6,  6,  7,  7,  8,  8,
                                                    9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

enum class TAlphabet { CodeLengths, Literals, Distances };

TCodeSkip SkipOf(TAlphabet alphabet, int symbol, int length) {
    switch (alphabet) {
    case TAlphabet::Literals:
        if (symbol < 256)
            return {uint8_t(length), ckLiteral};
        if (symbol == 256)
            return {uint8_t(length), ckEnd};
        if (symbol - 257 < int(LengthExtraBits.size()))
            return {uint8_t(length + LengthExtraBits[std::size_t(symbol - 257)]), ckLength};
        return {uint8_t(length), ckInvalid};
    case TAlphabet::Distances:
        if (symbol < int(DistanceExtraBits.size()))
            return {uint8_t(length + DistanceExtraBits[std::size_t(symbol)]), ckLiteral};
        return {uint8_t(length), ckInvalid};
    case TAlphabet::CodeLengths:
        break;
    }
    return {uint8_t(length), ckLiteral};
}

// One canonical Huffman code: codes of up to `TableBits` bits through a table, longer ones
// bit by bit.
class THuffmanCode {
public:
    // False when the lengths describe no prefix code (more codes of a length than fit).
    bool Build(const uint8_t* lengths, int count, TAlphabet alphabet) {
        Alphabet_ = alphabet;
        Count_.fill(0);
        for (int symbol = 0; symbol < count; ++symbol)
            ++Count_[lengths[symbol]];
        Count_[0] = 0;
        int left = 1;
        for (int length = 1; length <= MaxCodeLength; ++length) {
            left = left * 2 - Count_[length];
            if (left < 0)
                return false;
        }
        std::array<uint16_t, MaxCodeLength + 2> offset{};
        for (int length = 1; length <= MaxCodeLength; ++length)
            offset[length + 1] = uint16_t(offset[length] + Count_[length]);
        for (int symbol = 0; symbol < count; ++symbol)
            if (lengths[symbol] != 0)
                Symbols_[offset[lengths[symbol]]++] = uint16_t(symbol);

        // Every entry whose low bits hold a code (its bits reversed, as they arrive) tells
        // that code's skip; the rest stay empty, for the longer codes.
        Table_.fill(TCodeSkip{});
        unsigned code = 0;
        int index = 0;
        for (int length = 1; length <= TableBits; ++length) {
            for (int i = 0; i < Count_[length]; ++i, ++index, ++code) {
                const TCodeSkip skip = SkipOf(alphabet, Symbols_[index], length);
                for (unsigned entry = Reverse(code, length); entry < Table_.size();
                     entry += 1u << length)
                    Table_[entry] = skip;
            }
            code <<= 1;
        }
        return true;
    }

    // Skips the next code and its extra bits (with at least 48 bits buffered).
    TCodeKind Skip(TBitReader& in) const {
        const TCodeSkip skip = Table_[in.Bits() & (Table_.size() - 1)];
        if (skip.Bits != 0) {
            in.Drop(skip.Bits);
            return skip.Kind;
        }
        const int symbol = Decode(in);
        if (symbol < 0)
            return ckInvalid;
        const TCodeSkip extra = SkipOf(Alphabet_, symbol, 0);
        in.Drop(extra.Bits);
        return extra.Kind;
    }

    // The next symbol, or -1 when the bits are no code (with at least 15 bits buffered).
    // Canonical decoding, one bit at a time: the codes of each length are consecutive numbers
    // starting at `first`. Used for the few codes that describe a block's codes, and for the
    // long codes the table leaves out.
    int Decode(TBitReader& in) const {
        const uint64_t bits = in.Bits();
        int code = 0, first = 0, index = 0;
        for (int length = 1; length <= MaxCodeLength; ++length) {
            code |= int((bits >> (length - 1)) & 1);
            const int count = Count_[length];
            if (code - first < count) {
                in.Drop(length);
                return Symbols_[std::size_t(index + code - first)];
            }
            index += count;
            first = (first + count) << 1;
            code <<= 1;
        }
        return -1;
    }

private:
    static constexpr int TableBits = 11;

    static unsigned Reverse(unsigned code, int length) {
        unsigned reversed = 0;
        for (int i = 0; i < length; ++i, code >>= 1)
            reversed = (reversed << 1) | (code & 1);
        return reversed;
    }

    TAlphabet Alphabet_ = TAlphabet::Literals;
    std::array<TCodeSkip, 1 << TableBits> Table_{};
    std::array<uint16_t, MaxCodeLength + 1> Count_{};
    std::array<uint16_t, 320> Symbols_{};
};

// Skips the codes of one compressed block up to and including its end-of-block code.
bool SkipCodes(TBitReader& in, const THuffmanCode& literals, const THuffmanCode& distances) {
    for (;;) {
        // 56 bits hold a length code with its extra bits (20) and a distance code with its
        // extra bits (28).
        in.Refill();
        switch (literals.Skip(in)) {
        case ckLiteral:
            break;
        case ckLength:
            if (distances.Skip(in) == ckInvalid)
                return false;
            break;
        case ckEnd:
            return true;
        case ckInvalid:
            return false;
        }
        if (in.Overrun())
            return false;
    }
}

bool SkipFixedBlock(TBitReader& in) {
    static const auto codes = [] {
        std::array<uint8_t, 288 + 32> lengths{};
        std::fill(lengths.begin(), lengths.begin() + 144, 8);
        std::fill(lengths.begin() + 144, lengths.begin() + 256, 9);
        std::fill(lengths.begin() + 256, lengths.begin() + 280, 7);
        std::fill(lengths.begin() + 280, lengths.begin() + 288, 8);
        std::fill(lengths.begin() + 288, lengths.end(), 5);
        std::pair<THuffmanCode, THuffmanCode> result;
        result.first.Build(lengths.data(), 288, TAlphabet::Literals);
        result.second.Build(lengths.data() + 288, 32, TAlphabet::Distances);
        return result;
    }();
    return SkipCodes(in, codes.first, codes.second);
}

bool SkipDynamicBlock(TBitReader& in) {
    const int literalCount = int(in.Take(5)) + 257;
    const int distanceCount = int(in.Take(5)) + 1;
    const int lengthCodeCount = int(in.Take(4)) + 4;
    if (literalCount > 286 || distanceCount > 30)
        return false;
    static constexpr std::array<uint8_t, 19> Order{16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                   11, 4,  12, 3, 13, 2, 14, 1, 15};
    std::array<uint8_t, 19> lengthCodeLengths{};
    for (int i = 0; i < lengthCodeCount; ++i)
        lengthCodeLengths[Order[std::size_t(i)]] = uint8_t(in.Take(3));
    THuffmanCode lengthCode;
    if (!lengthCode.Build(lengthCodeLengths.data(), 19, TAlphabet::CodeLengths))
        return false;

    std::array<uint8_t, 286 + 30> lengths{};
    const int total = literalCount + distanceCount;
    for (int i = 0; i < total;) {
        in.Refill();
        const int symbol = lengthCode.Decode(in);
        if (symbol < 0 || in.Overrun())
            return false;
        if (symbol < 16) {
            lengths[std::size_t(i++)] = uint8_t(symbol);
            continue;
        }
        uint8_t repeated = 0;
        int count = 0;
        if (symbol == 16) {
            if (i == 0)
                return false;
            repeated = lengths[std::size_t(i - 1)];
            count = 3 + int(in.Take(2));
        } else if (symbol == 17) {
            count = 3 + int(in.Take(3));
        } else {
            count = 11 + int(in.Take(7));
        }
        if (i + count > total)
            return false;
        std::fill_n(lengths.begin() + i, count, repeated);
        i += count;
    }
    if (lengths[256] == 0)
        return false; // a block that cannot end
    THuffmanCode literals, distances;
    if (!literals.Build(lengths.data(), literalCount, TAlphabet::Literals) ||
        !distances.Build(lengths.data() + literalCount, distanceCount, TAlphabet::Distances))
        return false;
    return SkipCodes(in, literals, distances);
}

} // namespace

std::optional<TDeflateEnd> FindDeflateEnd(std::span<const uint8_t> stream) {
    TBitReader in(stream);
    for (;;) {
        const std::size_t blockBit = in.Position();
        const bool final = in.Take(1) != 0;
        bool read = false;
        switch (in.Take(2)) {
        case 0: {
            in.AlignToByte();
            const uint32_t length = in.Take(16);
            const uint32_t complement = in.Take(16);
            read = (length ^ complement) == 0xFFFF;
            in.SkipBytes(length);
            break;
        }
        case 1:
            read = SkipFixedBlock(in);
            break;
        case 2:
            read = SkipDynamicBlock(in);
            break;
        default:
            break;
        }
        if (!read || in.Overrun())
            return std::nullopt;
        if (final) {
            if ((in.Position() + 7) / 8 != stream.size())
                return std::nullopt;
            return TDeflateEnd{blockBit, in.Position()};
        }
    }
}
