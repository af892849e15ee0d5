// scan.cpp: the readers' in-memory scanner, consuming input exactly as the C library's
// fscanf, fgets and sscanf do for the few directives the readers use.
#include <charconv>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include "glm/glm_internal.h"

namespace {

// the C locale's white space: blank, \t, \n, \v, \f, \r
constexpr unsigned char spaceTable[256] = {
    0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1,
};

constexpr bool isSpace(int c) { return c >= 0 && spaceTable[c]; }
inline bool isDigit(int c) { return c >= '0' && c <= '9'; }
inline bool isHexDigit(int c) { return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
inline int lower(int c) { return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c; }

// the stdio primitives: read one byte (GLM_EOF at the end) and push the last one back
inline int getChar(GlmStream* s) {
    return s->pos < s->size ? static_cast<unsigned char>(s->data[s->pos++]) : GLM_EOF;
}
inline void ungetChar(GlmStream* s, int c) {
    if (c != GLM_EOF) s->pos--;
}
inline void skipSpace(GlmStream* s) {
    while (s->pos < s->size && spaceTable[static_cast<unsigned char>(s->data[s->pos])]) s->pos++;
}

// outcome of one conversion, as the scanf family tells them apart
enum ScanResult { scanDone, scanMismatch, scanInputEnd };

// Length of the run of decimal digits in the eight bytes at p (0 to 8), without a branch per byte.
inline unsigned digitRun8(const unsigned char* p) {
    uint64_t v;
    memcpy(&v, p, 8);
    // a byte is a digit when its high nibble is 3 both before and after adding 6; carries
    // between bytes start only at non-digits, so they cannot hide the first one
    uint64_t d = ((v & 0xF0F0F0F0F0F0F0F0ull) ^ 0x3030303030303030ull) |
                 (((v + 0x0606060606060606ull) & 0xF0F0F0F0F0F0F0F0ull) ^ 0x3030303030303030ull);
    uint64_t nonDigit = (((d & 0x7F7F7F7F7F7F7F7Full) + 0x7F7F7F7F7F7F7F7Full) | d) & 0x8080808080808080ull;
    return nonDigit ? static_cast<unsigned>(__builtin_ctzll(nonDigit)) / 8 : 8;
}

// Offset of the first white space byte in the eight bytes at p (8 when none is), without a
// branch per byte. With each byte's top bit set, subtracting a constant from it cannot borrow
// from its neighbour; a top bit left set then says the low seven bits were at least that
// constant, and a byte is white space when they fall in [9, 13] or equal 32 and its own top
// bit was clear.
inline unsigned spaceOffset8(const unsigned char* p) {
    const uint64_t ones = 0x0101010101010101ull, high = 0x8080808080808080ull;
    uint64_t v;
    memcpy(&v, p, 8);
    uint64_t x = v | high;
    uint64_t control = (x - 9 * ones) & ~(x - 14 * ones);
    uint64_t blank = (x - 32 * ones) & ~(x - 33 * ones);
    uint64_t space = (control | blank) & ~v & high;
    return space ? static_cast<unsigned>(__builtin_ctzll(space)) / 8 : 8;
}

// Value of the n (0 to 8) digits at p: they are moved to the top of one word, with zeros in
// front, and combined pairwise.
inline uint64_t parseDigits8(const unsigned char* p, unsigned n) {
    if (n == 0) return 0;
    uint64_t v;
    memcpy(&v, p, 8);
    v -= 0x3030303030303030ull;
    v <<= 8 * (8 - n);
    v = (v * 10) + (v >> 8);
    v = (((v & 0x000000FF000000FFull) * (100 + (1000000ull << 32))) +
         (((v >> 16) & 0x000000FF000000FFull) * (1 + (10000ull << 32)))) >> 32;
    return v;
}

// Consumes the run of decimal digits at *p and adds them to *value (which wraps after 19
// digits); returns how many digits there were.
inline size_t takeDigits(const unsigned char* data, size_t size, size_t* p, uint64_t* value) {
    const size_t first = *p;
    size_t q = first;
    uint64_t v = *value;
    while (q < size && isDigit(data[q])) v = v * 10 + (data[q++] - '0');
    *p = q;
    *value = v;
    return q - first;
}

// Consumes the run of hexadecimal digits at *p; returns how many there were.
inline size_t skipHexDigits(const unsigned char* data, size_t size, size_t* p) {
    const size_t first = *p;
    while (*p < size && isHexDigit(data[*p])) (*p)++;
    return *p - first;
}

// %d: optional sign and decimal digits; strtol's saturation to long, then the cast to int.
// Without Convert it only consumes what the conversion would (for counting).
template <bool Convert>
inline ScanResult scanInt(GlmStream* s, int* out) {
    const unsigned char* data = reinterpret_cast<const unsigned char*>(s->data);
    size_t pos = s->pos, size = s->size;
    if (pos == size) return scanInputEnd;
    bool negative = false;
    if (data[pos] == '-' || data[pos] == '+') {
        negative = data[pos] == '-';
        pos++;
    }
    if (pos == size || !isDigit(data[pos])) {
        // the sign stays consumed, the byte after it does not
        s->pos = pos;
        return scanMismatch;
    }
    const size_t first = pos;
    const uint64_t limit = 1ull << 63;
    uint64_t magnitude = 0;
    bool overflow = false;
    size_t length = 0;
    if (size - pos >= 8) {
        // indices are short: up to eight digits at once, without a branch per digit
        length = digitRun8(data + pos);
        if (Convert) magnitude = parseDigits8(data + pos, static_cast<unsigned>(length));
        pos += length;
    }
    if ((length == 0 || length == 8) && takeDigits(data, size, &pos, &magnitude) + length > 18 && Convert) {
        // a run that may not fit: again, digit by digit, saturating
        magnitude = 0;
        for (size_t q = first; q < pos; q++) {
            unsigned d = data[q] - '0';
            if (overflow || magnitude > (limit - d) / 10)
                overflow = true;
            else
                magnitude = magnitude * 10 + d;
        }
    }
    s->pos = pos;
    if (!Convert) return scanDone;
    long long value;
    if (negative)
        value = (overflow || magnitude == limit) ? static_cast<long long>(-0x7fffffffffffffffll - 1)
                                                 : -static_cast<long long>(magnitude);
    else
        value = (overflow || magnitude == limit) ? 0x7fffffffffffffffll : static_cast<long long>(magnitude);
    *out = static_cast<int>(static_cast<unsigned long long>(value) & 0xffffffffu);
    return scanDone;
}

// strtof of the bytes [first, last) for the rare forms: hexadecimal, inf, nan, out of range
bool convertWithStrtof(const char* first, size_t length, float* out) {
    char small[64];
    char* text = length < sizeof small ? small : static_cast<char*>(_glmAlloc(length + 1));
    memcpy(text, first, length);
    text[length] = '\0';
    char* end = nullptr;
    float value = strtof(text, &end);
    bool converted = end != text;
    if (text != small) _glmFree(text);
    if (converted) *out = value;
    return converted;
}

// tests on a partial "nan" or "infinity": each further letter must follow, or the conversion
// fails with the mismatching byte consumed
bool expectLetter(GlmStream* s, char letter) {
    int c = getChar(s);
    return c != GLM_EOF && lower(c) == letter;
}

// Clinger's fast path: a decimal significand that fits a float's 24 bits, scaled by a
// power of ten that is exact in a float, gives the correctly rounded float in one division.
// Covers what exporters write ("-0.123456").
inline bool fastDecimal(uint64_t significand, unsigned fractionDigits, bool negative, float* out) {
    static const float powers[11] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f, 1e8f, 1e9f, 1e10f};
    if (significand > (1u << 24) || fractionDigits > 10) return false;
    float value = static_cast<float>(significand) / powers[fractionDigits];
    *out = negative ? -value : value;
    return true;
}

// %f: collects the longest prefix that can begin a number, as scanf does with one byte of
// push-back, then converts what it collected. A decimal's digits are summed on the way, so
// that the usual numbers need no second look.
ScanResult scanFloat(GlmStream* s, float* out) {
    const unsigned char* data = reinterpret_cast<const unsigned char*>(s->data);
    const size_t start = s->pos, size = s->size;
    size_t p = start;
    if (p == size) return scanInputEnd;
    size_t signLength = 0;
    if (data[p] == '-' || data[p] == '+') {
        signLength = 1;
        if (++p == size) {
            s->pos = p;
            return scanMismatch;
        }
    }
    bool special = false, hex = false, gotExponent = false;
    uint64_t significand = 0;  // of a decimal, while it has at most 19 digits
    size_t digits = 0, fractionDigits = 0;
    if (lower(data[p]) == 'n' || lower(data[p]) == 'i') {
        // "nan", "inf" or "infinity": each further letter must follow, or the conversion
        // fails with the mismatching byte consumed
        s->pos = p + 1;
        if (lower(data[p]) == 'n') {
            if (!expectLetter(s, 'a') || !expectLetter(s, 'n')) return scanMismatch;
        } else {
            if (!expectLetter(s, 'n') || !expectLetter(s, 'f')) return scanMismatch;
            int c = getChar(s);
            if (c != GLM_EOF && lower(c) == 'i') {
                for (const char* rest = "nity"; *rest; rest++)
                    if (!expectLetter(s, *rest)) return scanMismatch;
            } else {
                ungetChar(s, c);
            }
        }
        special = true;
    } else {
        // digits, a point and more digits, then an exponent if a digit came before it; the
        // digits are hexadecimal after "0x" (whose 0 is no digit of the numeral)
        if (data[p] == '0' && p + 1 < size && lower(data[p + 1]) == 'x') {
            hex = true;
            p += 2;
        }
        size_t integerDigits = hex ? skipHexDigits(data, size, &p) : takeDigits(data, size, &p, &significand);
        if (p < size && data[p] == '.') {
            p++;
            fractionDigits = hex ? skipHexDigits(data, size, &p) : takeDigits(data, size, &p, &significand);
        }
        digits = integerDigits + fractionDigits;
        if (digits > 0 && p < size && lower(data[p]) == (hex ? 'p' : 'e')) {
            gotExponent = true;
            p++;
            if (p < size && (data[p] == '-' || data[p] == '+')) p++;
            while (p < size && isDigit(data[p])) p++;
        }
        s->pos = p;
        size_t length = p - start;
        if (length == signLength || (hex && length == 2 + signLength)) return scanMismatch;
    }
    const char* first = s->data + start;
    const char* last = s->data + s->pos;
    if (!special && !hex) {
        if (!gotExponent && digits > 0 && digits <= 19 && fastDecimal(significand, fractionDigits, *first == '-', out))
            return scanDone;
        // from_chars rounds as strtof does, but rejects '+' and out-of-range
        const char* numeral = *first == '+' ? first + 1 : first;
        float value;
        std::from_chars_result r = std::from_chars(numeral, last, value);
        if (r.ec == std::errc()) {
            *out = value;
            return scanDone;
        }
        if (r.ec == std::errc::invalid_argument) return scanMismatch;
    }
    return convertWithStrtof(first, static_cast<size_t>(last - first), out) ? scanDone : scanMismatch;
}

}  // namespace

namespace {

// The next token as fscanf's "%127s" reads it: skips white space, then returns where the
// token ends (at white space, the end of input or its 127th byte), or GLM_EOF with s->pos at
// the end when only white space is left.
inline long long nextToken(GlmStream* s, size_t* first) {
    const unsigned char* data = reinterpret_cast<const unsigned char*>(s->data);
    size_t pos = s->pos, size = s->size;
    while (pos < size && spaceTable[data[pos]]) pos++;
    *first = pos;
    if (pos == size) {
        s->pos = pos;
        return GLM_EOF;
    }
    size_t end = size - pos > GLM_BUFFER_SIZE - 1 ? pos + GLM_BUFFER_SIZE - 1 : size;
    while (end - pos >= 8) {
        unsigned n = spaceOffset8(data + pos);
        pos += n;
        if (n < 8) return static_cast<long long>(pos);
    }
    while (pos < end && !spaceTable[data[pos]]) pos++;
    return static_cast<long long>(pos);
}

}  // namespace

int _glmScanToken(GlmStream* s, char* buf) {
    size_t first;
    long long end = nextToken(s, &first);
    if (end == GLM_EOF) return GLM_EOF;
    size_t length = static_cast<size_t>(end) - first;
    // most tokens are short: one fixed-size copy where the input has the bytes
    if (length <= 16 && s->size - first >= 16)
        memcpy(buf, s->data + first, 16);
    else
        memcpy(buf, s->data + first, length);
    buf[length] = '\0';
    s->pos = static_cast<size_t>(end);
    return 1;
}

int _glmReadLine(GlmStream* s, char* buf) {
    if (s->pos == s->size) return 0;
    size_t limit = s->size - s->pos;
    if (limit > GLM_BUFFER_SIZE - 1) limit = GLM_BUFFER_SIZE - 1;
    const char* start = s->data + s->pos;
    const char* newline = static_cast<const char*>(memchr(start, '\n', limit));
    size_t n = newline ? static_cast<size_t>(newline - start) + 1 : limit;
    memcpy(buf, start, n);
    buf[n] = '\0';
    s->pos += n;
    return 1;
}

void _glmSkipSpace(GlmStream* s) { skipSpace(s); }

void _glmSkipLine(GlmStream* s) {
    const char* start = s->data + s->pos;
    const char* newline = static_cast<const char*>(memchr(start, '\n', s->size - s->pos));
    s->pos = newline ? static_cast<size_t>(newline - s->data) + 1 : s->size;
}

void _glmReadRestOfLine(GlmStream* s, char* buf) {
    if (!_glmReadLine(s, buf)) {
        buf[0] = '\0';
        return;
    }
    // a line cut short (its newline not read; the buffer may hold NULs): drop the rest of it
    if (s->data[s->pos - 1] != '\n') _glmSkipLine(s);
}

namespace {

// a literal byte of a format, after the white space that white space in the format skips
inline ScanResult matchLiteral(GlmStream* s, char ch, bool skipBefore) {
    if (skipBefore) skipSpace(s);
    if (s->pos == s->size) return scanInputEnd;
    if (s->data[s->pos] != ch) return scanMismatch;
    s->pos++;
    return scanDone;
}

// fscanf's walk over a format made of %d, %f, white space and literal bytes, from byte I of
// the format on; unrolled at compile time into straight code for each pattern.
template <const char* Format, bool Convert = true, size_t I = 0>
inline int scanFormat(GlmStream* s, int* ints, float* floats, int done, bool skip) {
    constexpr char fc = Format[I];
    ScanResult r;
    if constexpr (fc == '\0') {
        return done;
    } else if constexpr (fc == '%') {
        // a conversion skips white space first, whatever the format says
        skipSpace(s);
        if constexpr (Format[I + 1] == 'd') {
            r = scanInt<Convert>(s, ints);
            if (r == scanDone) return scanFormat<Format, Convert, I + 2>(s, ints + 1, floats, done + 1, false);
        } else {
            r = scanFloat(s, floats);
            if (r == scanDone) return scanFormat<Format, Convert, I + 2>(s, ints, floats + 1, done + 1, false);
        }
    } else if constexpr (isSpace(static_cast<unsigned char>(fc))) {
        return scanFormat<Format, Convert, I + 1>(s, ints, floats, done, true);
    } else {
        r = matchLiteral(s, fc, skip);
        if (r == scanDone) return scanFormat<Format, Convert, I + 1>(s, ints, floats, done, false);
    }
    return r == scanInputEnd && done == 0 ? GLM_EOF : done;
}

constexpr char patternVN[] = "%d//%d", patternVTN[] = "%d/%d/%d", patternVT[] = "%d/%d", patternV[] = "%d",
               patternF1[] = "%f", patternF2[] = "%f %f", patternF3[] = "%f %f %f";

}  // namespace

const char* const _glmPatterns[GLM_PATTERN_COUNT] = {patternVN, patternVTN, patternVT, patternV,
                                                     patternF1, patternF2,  patternF3};

int _glmScan(GlmStream* s, int pattern, int* ints, float* floats) {
    switch (pattern) {
    case GLM_FACE_VN: return scanFormat<patternVN>(s, ints, floats, 0, false);
    case GLM_FACE_VTN: return scanFormat<patternVTN>(s, ints, floats, 0, false);
    case GLM_FACE_VT: return scanFormat<patternVT>(s, ints, floats, 0, false);
    case GLM_FACE_V: return scanFormat<patternV>(s, ints, floats, 0, false);
    case GLM_SCAN_F1: return scanFormat<patternF1>(s, ints, floats, 0, false);
    case GLM_SCAN_F2: return scanFormat<patternF2>(s, ints, floats, 0, false);
    default: return scanFormat<patternF3>(s, ints, floats, 0, false);
    }
}

int _glmSkipCorner(GlmStream* s, int form) {
    int unused[3];
    switch (form) {
    case GLM_FACE_VN: return scanFormat<patternVN, false>(s, unused, nullptr, 0, false);
    case GLM_FACE_VTN: return scanFormat<patternVTN, false>(s, unused, nullptr, 0, false);
    case GLM_FACE_VT: return scanFormat<patternVT, false>(s, unused, nullptr, 0, false);
    default: return scanFormat<patternV, false>(s, unused, nullptr, 0, false);
    }
}

int _glmFaceForm(const char* corner, size_t length, int* values) {
    const int given[3] = {values[0], values[1], values[2]};
    GlmStream s = {corner, length, 0};
    int converted = _glmScan(&s, GLM_FACE_VTN, values, nullptr);
    // A "//" anywhere makes the form VN. The scan above cannot have passed one (a slash it
    // takes is followed by what a number may start with) nor a NUL (which ends the corner as
    // a C string, and stops the scan as the end would, for the form's sake), so the search
    // starts at its last byte.
    for (size_t i = s.pos ? s.pos - 1 : 0; i + 1 < length && corner[i] != '\0'; i++)
        if (corner[i] == '/' && corner[i + 1] == '/') {
            memcpy(values, given, sizeof given);
            s.pos = 0;
            _glmScan(&s, GLM_FACE_VN, values, nullptr);
            return GLM_FACE_VN;
        }
    return converted == 3 ? GLM_FACE_VTN : converted == 2 ? GLM_FACE_VT : GLM_FACE_V;
}

int _glmFirstCorner(GlmStream* s, const char* keyword, int* values) {
    size_t first;
    long long end = nextToken(s, &first);
    // at the end of input the token buffer would still hold the keyword
    if (end == GLM_EOF) return _glmFaceForm(keyword, strlen(keyword), values);
    s->pos = static_cast<size_t>(end);
    return _glmFaceForm(s->data + first, static_cast<size_t>(end) - first, values);
}

// the in-place word scans read the buffer while they write into it, as sscanf with the
// same buffer for input and output does: a word's terminator may land on a byte still to read
namespace {

// Moves the next word of buf[*r, end) to the start of buf; false, and buf untouched, when
// only white space is left.
bool moveWord(char* buf, size_t* r, size_t end) {
    while (*r < end && isSpace(static_cast<unsigned char>(buf[*r]))) (*r)++;
    if (*r == end) return false;
    size_t w = 0;
    while (*r < end && !isSpace(static_cast<unsigned char>(buf[*r]))) buf[w++] = buf[(*r)++];
    buf[w] = '\0';
    return true;
}

}  // namespace

int _glmFirstWord(char* buf) {
    size_t r = 0;
    return moveWord(buf, &r, strlen(buf)) ? 1 : GLM_EOF;
}

int _glmNameWord(char* buf) {
    size_t r = 0, end = strlen(buf);
    if (!moveWord(buf, &r, end)) return GLM_EOF;
    return moveWord(buf, &r, end) ? 2 : 1;
}

size_t _glmLineText(GlmStream* s, const char** text) {
    const char* start = s->data + s->pos;
    const char* newline = static_cast<const char*>(memchr(start, '\n', s->size - s->pos));
    const char* end = newline ? newline : s->data + s->size;
    s->pos = newline ? static_cast<size_t>(newline - s->data) + 1 : s->size;
    while (start < end && isSpace(static_cast<unsigned char>(*start))) start++;
    while (end > start && isSpace(static_cast<unsigned char>(end[-1]))) end--;
    *text = start;
    return static_cast<size_t>(end - start);
}

void _glmWholeName(const char* line, char* whole) {
    size_t begin = 0, end = strlen(line);
    while (begin < end && isSpace(static_cast<unsigned char>(line[begin]))) begin++;
    while (end > begin && isSpace(static_cast<unsigned char>(line[end - 1]))) end--;
    memmove(whole, line + begin, end - begin);
    whole[end - begin] = '\0';
}

int _glmScanCorner(GlmStream* s, int form, int* values) {
    skipSpace(s);
    size_t end = s->pos;
    while (end < s->size && !isSpace(static_cast<unsigned char>(s->data[end]))) end++;
    GlmStream corner = {s->data, end, s->pos};
    int converted = values ? _glmScan(&corner, form, values, nullptr) : _glmSkipCorner(&corner, form);
    // what the form leaves of a corner that converted (an empty field: "1/2/") is part of it
    s->pos = converted > 0 ? end : corner.pos;
    return converted;
}
