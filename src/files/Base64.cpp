#include "files/Base64.h"

#include <array>
#include <cstdint>
#include <cstring>

#ifdef __SSSE3__
#include <immintrin.h>
#endif

namespace velmaris {

namespace {

constexpr std::uint32_t kInvalid = 0x01000000;

// For each position k of a four-character group, every character's 6 bits already shifted to where
// they land in the group's three bytes (stored little-endian), or kInvalid.
using GroupTables = std::array<std::array<std::uint32_t, 256>, 4>;

constexpr GroupTables makeGroupTables()
{
    constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    GroupTables tables{};
    for (auto& table : tables)
        table.fill(kInvalid);
    for (std::uint32_t value = 0; value < 64; ++value) {
        for (int k = 0; k < 4; ++k) {
            const std::uint32_t bits = value << (18 - 6 * k);
            tables[k][std::uint8_t(alphabet[value])] = (bits >> 16) | (bits & 0xff00) | (bits & 0xff) << 16;
        }
    }
    return tables;
}

constexpr GroupTables kGroupTables = makeGroupTables();

// Whole groups by table look-up: 4 characters in, 3 bytes out. False on any character outside the
// alphabet ("=" included). Writes one byte past the output.
bool decodeGroupsScalar(const std::uint8_t* in, qsizetype groups, std::uint8_t* out)
{
    std::uint32_t invalid = 0;
    for (qsizetype g = 0; g < groups; ++g, in += 4, out += 3) {
        const std::uint32_t word =
            kGroupTables[0][in[0]] | kGroupTables[1][in[1]] | kGroupTables[2][in[2]] | kGroupTables[3][in[3]];
        invalid |= word;
        std::memcpy(out, &word, 4);
    }
    return !(invalid & kInvalid);
}

// The same, 16 characters at a time with SSSE3 shuffles (the nibble-table method of Muła and
// Lemire): 2.8 times the table decoder (bench/native_format_bench.cpp). Writes up to four bytes
// past the output.
bool decodeGroups(const std::uint8_t* in, qsizetype groups, std::uint8_t* out)
{
#ifdef __SSSE3__
    // A character is valid when its low-nibble class and high-nibble class share no bit.
    const __m128i lowClasses = _mm_setr_epi8(0x15, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x13, 0x1A,
                                             0x1B, 0x1B, 0x1B, 0x1A);
    const __m128i highClasses = _mm_setr_epi8(0x10, 0x10, 0x01, 0x02, 0x04, 0x08, 0x04, 0x08, 0x10, 0x10, 0x10, 0x10,
                                              0x10, 0x10, 0x10, 0x10);
    // What to add to a character, by its high nibble ("/" apart), to get its 6-bit value.
    const __m128i offsets = _mm_setr_epi8(0, 16, 19, 4, -65, -65, -71, -71, 0, 0, 0, 0, 0, 0, 0, 0);
    const __m128i nibble = _mm_set1_epi8(0x0f), slash = _mm_set1_epi8('/');
    const __m128i pack = _mm_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1);
    for (; groups >= 4; groups -= 4, in += 16, out += 12) {
        __m128i chars = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
        const __m128i high = _mm_and_si128(_mm_srli_epi32(chars, 4), nibble);
        const __m128i low = _mm_and_si128(chars, nibble);
        if (!_mm_testz_si128(_mm_shuffle_epi8(lowClasses, low), _mm_shuffle_epi8(highClasses, high)))
            return false;
        chars = _mm_add_epi8(chars, _mm_shuffle_epi8(offsets, _mm_add_epi8(_mm_cmpeq_epi8(chars, slash), high)));
        // Four 6-bit values to 24 bits per group, then the groups' bytes in order.
        const __m128i pairs = _mm_maddubs_epi16(chars, _mm_set1_epi32(0x01400140));
        const __m128i words = _mm_madd_epi16(pairs, _mm_set1_epi32(0x00011000));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_shuffle_epi8(words, pack));
    }
#endif
    return decodeGroupsScalar(in, groups, out);
}

int sextet(char c)
{
    const std::uint32_t word = kGroupTables[3][std::uint8_t(c)];
    return word & kInvalid ? -1 : int(word >> 16);
}

// The last group of the text, by Qt's rules: "=" ends the text when it is the last character, or the
// last two are "==", and the text is a multiple of four long. Appends its bytes.
bool decodeTail(QByteArrayView tail, bool lengthIsMultipleOfFour, QByteArray& out)
{
    std::uint32_t buffer = 0;
    int bits = 0;
    for (qsizetype i = 0; i < tail.size(); ++i) {
        const int value = sextet(tail[i]);
        if (value < 0) {
            const bool padding = tail[i] == '=' && lengthIsMultipleOfFour
                && (i == tail.size() - 1 || (i == tail.size() - 2 && tail[i + 1] == '='));
            return padding;
        }
        buffer = buffer << 6 | std::uint32_t(value);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out.append(char(buffer >> bits));
            buffer &= (1u << bits) - 1;
        }
    }
    return true;
}

std::optional<QByteArray> decodeWholeGroups(QByteArrayView text, qsizetype groups)
{
    // Room for the decoders' overrun, cut off after.
    QByteArray bytes(groups * 3 + 4, Qt::Uninitialized);
    if (!decodeGroups(reinterpret_cast<const std::uint8_t*>(text.data()), groups,
                      reinterpret_cast<std::uint8_t*>(bytes.data())))
        return std::nullopt;
    bytes.truncate(groups * 3);
    return bytes;
}

}  // namespace

std::optional<QByteArray> decodeBase64(QByteArrayView text)
{
    if (text.isEmpty())
        return QByteArray();
    // Every group but the last, which may be short or padded.
    const qsizetype groups = (text.size() - 1) / 4;
    std::optional<QByteArray> bytes = decodeWholeGroups(text, groups);
    if (!bytes || !decodeTail(text.sliced(groups * 4), text.size() % 4 == 0, *bytes))
        return std::nullopt;
    return bytes;
}

std::optional<QByteArray> decodeBase64Prefix(QByteArrayView text, qsizetype bytes)
{
    const qsizetype groups = (bytes + 2) / 3;
    // Text that ends within or just after those groups is read whole: its end has its own rules.
    std::optional<QByteArray> prefix =
        text.size() <= groups * 4 + 4 ? decodeBase64(text) : decodeWholeGroups(text, groups);
    if (prefix)
        prefix->truncate(bytes);
    return prefix;
}

}  // namespace velmaris
