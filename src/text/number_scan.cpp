#include "text/number_scan.hpp"

#include <bit>
#include <cstdint>

#if defined(__x86_64__)
#include <immintrin.h>
// glibc's record of the processor's features; its header is C (it uses
// _Bool), which g++ accepts and clang++ (the fuzzing builds) does not.
#if __has_include(<sys/platform/x86.h>) && !defined(__clang__)
#define WQ_GLIBC_CPU_FEATURES 1
#include <sys/platform/x86.h>
#endif
#elif defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace wq {

namespace {

constexpr int BLOCK = 64;
constexpr std::size_t PREFETCH_DISTANCE = 1024;

// Bit i of each mask stands for character i of a 64-character block. When
// `plain` is false the block holds a character that no plain decimal holds.
struct BlockMasks {
    std::uint64_t separator = 0;
    std::uint64_t digit = 0;
    std::uint64_t point = 0;
    std::uint64_t minus = 0;
    std::uint64_t newline = 0;  // line ends, which also separate values
    std::uint64_t known = 0;    // characters a plain decimal may hold
    bool plain = true;
};

#if defined(__SSE2__)
std::uint64_t bits16(__m128i m) { return static_cast<std::uint16_t>(_mm_movemask_epi8(m)); }

// Blanks, line ends, points and minus signs by comparison; digits are what is
// left once every character is known to be one of the five.
inline BlockMasks classifySse2(const char* p) {
    BlockMasks m;
    const __m128i blank = _mm_set1_epi8(' ');
    const __m128i lineEnd = _mm_set1_epi8('\n');
    const __m128i point = _mm_set1_epi8('.');
    const __m128i minus = _mm_set1_epi8('-');
    const __m128i belowZero = _mm_set1_epi8('0' - 1);
    const __m128i aboveNine = _mm_set1_epi8('9' + 1);
    for (int k = 0; k < BLOCK / 16; ++k) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
        const __m128i isLineEnd = _mm_cmpeq_epi8(v, lineEnd);
        const __m128i isBlank = _mm_or_si128(_mm_cmpeq_epi8(v, blank), isLineEnd);
        const __m128i isPoint = _mm_cmpeq_epi8(v, point);
        const __m128i isMinus = _mm_cmpeq_epi8(v, minus);
        // Signed comparison: bytes above 127 are negative and never digits.
        const __m128i isDigit = _mm_and_si128(_mm_cmpgt_epi8(v, belowZero), _mm_cmplt_epi8(v, aboveNine));
        const __m128i known = _mm_or_si128(_mm_or_si128(isBlank, isPoint), _mm_or_si128(isMinus, isDigit));
        const int shift = 16 * k;
        m.known |= bits16(known) << shift;
        m.separator |= bits16(isBlank) << shift;
        m.newline |= bits16(isLineEnd) << shift;
        m.point |= bits16(isPoint) << shift;
        m.minus |= bits16(isMinus) << shift;
    }
    m.plain = m.known == ~std::uint64_t{0};
    m.digit = ~(m.separator | m.point | m.minus);
    return m;
}
#endif

#if defined(__x86_64__)
__attribute__((target("avx2"))) inline std::uint64_t bits32(__m256i m) {
    return static_cast<std::uint32_t>(_mm256_movemask_epi8(m));
}

// The same, 32 characters a comparison.
__attribute__((target("avx2"))) inline BlockMasks classifyAvx2(const char* p) {
    BlockMasks m;
    const __m256i blank = _mm256_set1_epi8(' ');
    const __m256i lineEnd = _mm256_set1_epi8('\n');
    const __m256i point = _mm256_set1_epi8('.');
    const __m256i minus = _mm256_set1_epi8('-');
    const __m256i belowZero = _mm256_set1_epi8('0' - 1);
    const __m256i aboveNine = _mm256_set1_epi8('9' + 1);
    for (int k = 0; k < BLOCK / 32; ++k) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32 * k));
        const __m256i isLineEnd = _mm256_cmpeq_epi8(v, lineEnd);
        const __m256i isBlank = _mm256_or_si256(_mm256_cmpeq_epi8(v, blank), isLineEnd);
        const __m256i isPoint = _mm256_cmpeq_epi8(v, point);
        const __m256i isMinus = _mm256_cmpeq_epi8(v, minus);
        const __m256i isDigit = _mm256_and_si256(_mm256_cmpgt_epi8(v, belowZero), _mm256_cmpgt_epi8(aboveNine, v));
        const __m256i known = _mm256_or_si256(_mm256_or_si256(isBlank, isPoint), _mm256_or_si256(isMinus, isDigit));
        const int shift = 32 * k;
        m.known |= bits32(known) << shift;
        m.separator |= bits32(isBlank) << shift;
        m.newline |= bits32(isLineEnd) << shift;
        m.point |= bits32(isPoint) << shift;
        m.minus |= bits32(isMinus) << shift;
    }
    m.plain = m.known == ~std::uint64_t{0};
    m.digit = ~(m.separator | m.point | m.minus);
    return m;
}
#endif

#if defined(__x86_64__)
// With AVX-512 a comparison gives the 64 bits of a block at once.
__attribute__((target("avx512f,avx512bw"))) inline BlockMasks classifyAvx512(const char* p) {
    BlockMasks m;
    const __m512i v = _mm512_loadu_si512(p);
    m.newline = _mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8('\n'));
    m.separator = _mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8(' ')) | m.newline;
    m.point = _mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8('.'));
    m.minus = _mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8('-'));
    // Unsigned: '0'..'9' are the only bytes less than 10 above '0'.
    m.digit = _mm512_cmplt_epu8_mask(_mm512_sub_epi8(v, _mm512_set1_epi8('0')), _mm512_set1_epi8(10));
    m.known = m.separator | m.point | m.minus | m.digit;
    m.plain = m.known == ~std::uint64_t{0};
    return m;
}
#endif

#if !defined(__SSE2__)
inline BlockMasks classifySse2(const char* p) {
    BlockMasks m;
    for (int i = 0; i < BLOCK; ++i) {
        const std::uint64_t bit = std::uint64_t{1} << i;
        const char c = p[i];
        if (c == ' ' || c == '\n') m.separator |= bit;
        if (c == '\n') m.newline |= bit;
        if (c == '.') m.point |= bit;
        if (c == '-') m.minus |= bit;
        if (c >= '0' && c <= '9') m.digit |= bit;
        if (c == ' ' || c == '\n' || c == '.' || c == '-' || (c >= '0' && c <= '9')) m.known |= bit;
    }
    m.plain = m.known == ~std::uint64_t{0};
    return m;
}
#endif

// x moved k places up, the top bits of the block before coming in.
template <int k>
std::uint64_t up(std::uint64_t x, std::uint64_t before) {
    return (x << k) | (before >> (64 - k));
}

// Runs of set bits, block after block: the bits that end a run of at least
// 2, 4 and 7 (MAX_PLAIN_INTEGER_DIGITS + 1) of them, each from the one before
// (a run of 4 is two runs of 2 two places apart, a run of 7 two runs of 4
// three places apart).
struct LongRuns {
    std::uint64_t two = 0, four = 0;  // of the block before

    inline __attribute__((always_inline)) std::uint64_t endsOfSeven(std::uint64_t x, std::uint64_t xBefore) {
        static_assert(MAX_PLAIN_INTEGER_DIGITS == 6);
        const std::uint64_t runsOfTwo = x & up<1>(x, xBefore);
        const std::uint64_t runsOfFour = runsOfTwo & up<2>(runsOfTwo, two);
        const std::uint64_t runsOfSeven = runsOfFour & up<3>(runsOfFour, four);
        two = runsOfTwo;
        four = runsOfFour;
        return runsOfSeven;
    }
};

// Checks one block against the plain-decimal rules, given the block before;
// adds its values to `count`. False when a rule is broken.
struct PlainDecimalCheck {
    BlockMasks before{~std::uint64_t{0}, 0, 0, 0};  // the line starts after a separator
    std::uint64_t carry = 0;
    std::uint64_t integerDigitsBefore = 0;  // of the block before
    LongRuns integerRuns;
    std::uint64_t starts = 0;  // the first characters of values in the last block
    int count = 0;

    inline __attribute__((always_inline)) bool add(const BlockMasks& m) {
        // A block without a separator may belong to a value too long to be sure of.
        if (!m.plain || m.separator == 0) return false;
        starts = ~m.separator & up<1>(m.separator, before.separator);
        // A minus only as the first character of a value.
        if ((m.minus & ~starts) != 0) return false;
        // No value without a digit: "-", "." and "-." are the only ones.
        const std::uint64_t endsAfterMinus = m.separator & up<1>(m.minus, before.minus);
        const std::uint64_t endsAfterPoint = m.separator & up<1>(m.point, before.point);
        const std::uint64_t pointStartsValue = up<2>(m.separator | m.minus, before.separator | before.minus);
        if ((endsAfterMinus | (endsAfterPoint & pointStartsValue)) != 0) return false;
        // At most one point: adding a bit after each point to the digit mask
        // carries through the digits that follow it and stops on the first
        // character that is not a digit, which must not be another point.
        const std::uint64_t afterPoint = up<1>(m.point, before.point);
        std::uint64_t sum = 0;
        const bool c1 = __builtin_add_overflow(m.digit, afterPoint, &sum);
        const bool c2 = __builtin_add_overflow(sum, carry, &sum);
        carry = (c1 || c2) ? 1 : 0;
        if ((sum & ~m.digit & m.point) != 0) return false;
        // The digits the carry left standing are those before a point (or of
        // a value without one): at most six in a row, so that no value
        // reaches MAX_TABLE_MAGNITUDE.
        const std::uint64_t integerDigits = m.digit & sum;
        if (integerRuns.endsOfSeven(integerDigits, integerDigitsBefore) != 0) return false;
        integerDigitsBefore = integerDigits;
        count += std::popcount(starts);
        before = m;
        return true;
    }
};

// Characters past the end of the line count as blanks.
inline __attribute__((always_inline)) void cutAt(BlockMasks& m, std::size_t length) {
    if (length >= static_cast<std::size_t>(BLOCK)) return;
    const std::uint64_t inside = (std::uint64_t{1} << length) - 1;
    m.separator |= ~inside;
    m.point &= inside;
    m.minus &= inside;
    m.digit &= inside;
    m.newline &= inside;
    m.plain = (m.known | ~inside) == ~std::uint64_t{0};
}

template <BlockMasks (*classify)(const char*)>
inline __attribute__((always_inline)) int countWith(std::string_view line) {
    PlainDecimalCheck check;
    const std::size_t n = line.size();
    // The block that holds the character after the line's last one is always
    // checked: the line end closes the last value like a separator.
    for (std::size_t start = 0; start <= n; start += BLOCK) {
        BlockMasks m = classify(line.data() + start);
        cutAt(m, n - start);
        if (!check.add(m)) return -1;
    }
    return check.count;
}

// The position of the n-th (1-based) set bit of x, which has at least n.
inline int nthBit(std::uint64_t x, int n) {
    for (; n > 1; --n) x &= x - 1;
    return std::countr_zero(x);
}

// The rows as one stream: line ends separate values like blanks, and the
// values started before each line end are that line's count.
template <BlockMasks (*classify)(const char*)>
inline __attribute__((always_inline)) std::size_t rowsWith(std::string_view text, int rows, int perRow,
                                                           std::uint32_t* rowEnds) {
    PlainDecimalCheck check;
    const std::size_t n = text.size();
    int row = 0;
    int countAtRowStart = 0;
    for (std::size_t start = 0; start < n; start += BLOCK) {
        // The text is read once, from the file cache: asked for ahead of time.
        __builtin_prefetch(text.data() + start + PREFETCH_DISTANCE);
        BlockMasks m = classify(text.data() + start);
        std::size_t inside = n - start;
        // Nothing after the last row's line end belongs to the rows.
        const int lineEnds = std::popcount(m.newline & (inside >= BLOCK ? ~std::uint64_t{0}
                                                                          : (std::uint64_t{1} << inside) - 1));
        if (lineEnds >= rows - row) {
            const auto last = static_cast<std::size_t>(nthBit(m.newline, rows - row)) + 1;
            if (last < inside) inside = last;
        }
        cutAt(m, inside);
        const int countBefore = check.count;
        if (!check.add(m)) return 0;
        for (std::uint64_t ends = m.newline; ends != 0; ends &= ends - 1) {
            const int at = std::countr_zero(ends);
            const std::uint64_t below = (std::uint64_t{1} << at) - 1;
            const int countAtEnd = countBefore + std::popcount(check.starts & below);
            if (countAtEnd - countAtRowStart != perRow) return 0;
            countAtRowStart = countAtEnd;
            rowEnds[row] = static_cast<std::uint32_t>(start + static_cast<std::size_t>(at) + 1);
            if (++row == rows) return rowEnds[row - 1];
        }
    }
    return 0;
}

int countPlain(std::string_view line) { return countWith<classifySse2>(line); }
std::size_t rowsPlain(std::string_view text, int rows, int perRow, std::uint32_t* rowEnds) {
    return rowsWith<classifySse2>(text, rows, perRow, rowEnds);
}

#if defined(__x86_64__)
__attribute__((target("avx2,popcnt"))) int countPlainAvx2(std::string_view line) {
    return countWith<classifyAvx2>(line);
}
__attribute__((target("avx2,popcnt"))) std::size_t rowsPlainAvx2(std::string_view text, int rows, int perRow,
                                                                  std::uint32_t* rowEnds) {
    return rowsWith<classifyAvx2>(text, rows, perRow, rowEnds);
}
__attribute__((target("avx512f,avx512bw,popcnt,bmi"))) std::size_t rowsPlainAvx512(std::string_view text, int rows,
                                                                                 int perRow, std::uint32_t* rowEnds) {
    return rowsWith<classifyAvx512>(text, rows, perRow, rowEnds);
}
#endif

using PlainCounter = int (*)(std::string_view);
using RowChecker = std::size_t (*)(std::string_view, int, int, std::uint32_t*);

// The widest classification the processor offers, chosen once. The C
// library has asked the processor already at start-up; asking it again
// (CPUID) costs a fraction of a millisecond on a virtual machine, whose
// host answers in its place.
#if defined(WQ_GLIBC_CPU_FEATURES)
bool hasAvx2() { return CPU_FEATURE_ACTIVE(AVX2) && CPU_FEATURE_ACTIVE(POPCNT); }
bool hasAvx512() { return hasAvx2() && CPU_FEATURE_ACTIVE(AVX512F) && CPU_FEATURE_ACTIVE(AVX512BW); }
#elif defined(__x86_64__)
bool hasAvx2() { return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt"); }
bool hasAvx512() { return hasAvx2() && __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw"); }
#endif

PlainCounter plainCounter() {
#if defined(__x86_64__)
    if (hasAvx2()) return countPlainAvx2;
#endif
    return countPlain;
}

RowChecker rowChecker() {
#if defined(__x86_64__)
    if (hasAvx512()) return rowsPlainAvx512;
    if (hasAvx2()) return rowsPlainAvx2;
#endif
    return rowsPlain;
}

}  // namespace

int countPlainDecimals(std::string_view line) {
    static const PlainCounter count = plainCounter();
    return count(line);
}

std::size_t checkPlainRows(std::string_view text, int rows, int perRow, std::uint32_t* rowEnds) {
    static const RowChecker check = rowChecker();
    if (rows <= 0 || text.size() > UINT32_MAX) return 0;
    return check(text, rows, perRow, rowEnds);
}

}  // namespace wq
