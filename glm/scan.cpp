// scan.cpp: the readers' in-memory scanner, consuming input exactly as the C library's
// fscanf, fgets and sscanf do for the few directives the readers use.
#include <charconv>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include "glm/glm_internal.h"

namespace {

// the C locale's white space: blank, \t, \n, \v, \f, \r
const unsigned char spaceTable[256] = {
    0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1,
};

inline bool isSpace(int c) { return c >= 0 && spaceTable[c]; }
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

// %d: optional sign and decimal digits; strtol's saturation to long, then the cast to int
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
    const unsigned long long limit = 1ull << 63;
    unsigned long long magnitude = 0;
    bool overflow = false;
    if (size - pos >= 8) {
        // the first up to eight digits at once
        unsigned n = digitRun8(data + pos);
        magnitude = parseDigits8(data + pos, n);
        pos += n;
        if (n < 8) goto done;
    }
    while (pos < size && isDigit(data[pos])) {
        unsigned d = data[pos++] - '0';
        if (overflow || magnitude > (limit - d) / 10)
            overflow = true;
        else
            magnitude = magnitude * 10 + d;
    }
done:
    s->pos = pos;
    long long value;
    if (negative)
        value = (overflow || magnitude == limit) ? static_cast<long long>(-0x7fffffffffffffffll - 1)
                                                 : -static_cast<long long>(magnitude);
    else
        value = (overflow || magnitude == limit) ? 0x7fffffffffffffffll : static_cast<long long>(magnitude);
    *out = static_cast<int>(static_cast<unsigned long long>(value) & 0xffffffffu);
    return scanDone;
}

// The common case of %f in one pass: "[sign]digits[.digits]" that ends where the collecting
// loop below would end too (not on an exponent). Clinger's fast path: digits that fit a
// float's 24-bit significand, scaled by a power of ten that is exact in a float, give the
// correctly rounded float in one division. Covers what exporters write ("-0.123456").
inline bool plainDecimal(GlmStream* s, float* out) {
    static const float powers[11] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f, 1e8f, 1e9f, 1e10f};
    const unsigned char* data = reinterpret_cast<const unsigned char*>(s->data);
    size_t p = s->pos, size = s->size;
    bool negative = false;
    if (p < size && (data[p] == '-' || data[p] == '+')) negative = data[p++] == '-';
    if (p + 1 < size && data[p] == '0' && lower(data[p + 1]) == 'x') return false;
    size_t first = p;
    uint32_t mantissa = 0;
    int scale = 0;
    while (p < size && isDigit(data[p])) mantissa = mantissa * 10 + (data[p++] - '0');
    size_t intDigits = p - first;
    size_t fracDigits = 0;
    if (p < size && data[p] == '.') {
        size_t fracStart = ++p;
        while (p < size && isDigit(data[p])) mantissa = mantissa * 10 + (data[p++] - '0');
        fracDigits = p - fracStart;
        scale = -static_cast<int>(fracDigits);
    }
    if (intDigits + fracDigits == 0 || intDigits + fracDigits > 8 || scale < -10) return false;
    if (p < size && lower(data[p]) == 'e') return false;
    if (mantissa > (1u << 24)) return false;
    float value = static_cast<float>(mantissa) / powers[-scale];
    *out = negative ? -value : value;
    s->pos = p;
    return true;
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

// %f: collects the longest prefix that can begin a number, with one byte of push-back,
// then converts what it collected
ScanResult scanFloat(GlmStream* s, float* out) {
    if (plainDecimal(s, out)) return scanDone;
    const size_t start = s->pos;
    int c = getChar(s);
    if (c == GLM_EOF) return scanInputEnd;
    size_t signLength = 0;
    if (c == '-' || c == '+') {
        signLength = 1;
        c = getChar(s);
        if (c == GLM_EOF) return scanMismatch;
    }
    bool special = false;
    if (lower(c) == 'n') {
        if (!expectLetter(s, 'a') || !expectLetter(s, 'n')) return scanMismatch;
        special = true;
    } else if (lower(c) == 'i') {
        if (!expectLetter(s, 'n') || !expectLetter(s, 'f')) return scanMismatch;
        c = getChar(s);
        if (c != GLM_EOF && lower(c) == 'i') {
            for (const char* rest = "nity"; *rest; rest++)
                if (!expectLetter(s, *rest)) return scanMismatch;
        } else {
            ungetChar(s, c);
        }
        special = true;
    }
    bool hex = false;
    if (!special) {
        bool gotDigit = false, gotDot = false, gotExponent = false;
        int exponentChar = 'e';
        if (c == '0') {
            c = getChar(s);
            if (lower(c) == 'x') {
                hex = true;
                exponentChar = 'p';
                c = getChar(s);
            } else {
                gotDigit = true;
            }
        }
        for (;;) {
            if (isDigit(c) || (!gotExponent && hex && isHexDigit(c))) {
                gotDigit = true;
            } else if (gotExponent && lower(static_cast<unsigned char>(s->data[s->pos - 2])) == exponentChar &&
                       (c == '-' || c == '+')) {
                // a sign right after the exponent letter
            } else if (gotDigit && !gotExponent && lower(c) == exponentChar) {
                gotExponent = gotDot = true;
            } else if (!gotExponent && !gotDot && c == '.') {
                gotDot = true;
            } else {
                ungetChar(s, c);
                break;
            }
            c = getChar(s);
            if (c == GLM_EOF) break;
        }
        size_t length = s->pos - start;
        if (length == signLength || (hex && length == 2 + signLength)) return scanMismatch;
    }
    const char* first = s->data + start;
    const char* last = s->data + s->pos;
    if (!special && !hex) {
        // plain decimal: from_chars rounds as strtof does, but rejects '+' and out-of-range
        const char* digits = *first == '+' ? first + 1 : first;
        float value;
        std::from_chars_result r = std::from_chars(digits, last, value);
        if (r.ec == std::errc()) {
            *out = value;
            return scanDone;
        }
        if (r.ec == std::errc::invalid_argument) return scanMismatch;
    }
    return convertWithStrtof(first, static_cast<size_t>(last - first), out) ? scanDone : scanMismatch;
}

}  // namespace

int _glmScanToken(GlmStream* s, char* buf) {
    const unsigned char* data = reinterpret_cast<const unsigned char*>(s->data);
    size_t pos = s->pos, size = s->size;
    while (pos < size && spaceTable[data[pos]]) pos++;
    if (pos == size) {
        s->pos = pos;
        return GLM_EOF;
    }
    size_t end = size - pos > GLM_BUFFER_SIZE - 1 ? pos + GLM_BUFFER_SIZE - 1 : size;
    size_t first = pos;
    while (pos < end && !spaceTable[data[pos]]) pos++;
    memcpy(buf, data + first, pos - first);
    buf[pos - first] = '\0';
    s->pos = pos;
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

int _glmScan(GlmStream* s, const char* format, int* ints, float* floats) {
    int done = 0;
    bool skip = false;
    for (const char* f = format; *f;) {
        int fc = static_cast<unsigned char>(*f++);
        if (fc != '%') {
            // white space in the format skips white space before the next literal
            if (isSpace(fc)) {
                skip = true;
                continue;
            }
            int c = getChar(s);
            if (c == GLM_EOF) return done == 0 ? GLM_EOF : done;
            if (skip) {
                while (isSpace(c)) {
                    c = getChar(s);
                    if (c == GLM_EOF) return done == 0 ? GLM_EOF : done;
                }
                skip = false;
            }
            if (c != fc) {
                ungetChar(s, c);
                return done;
            }
            continue;
        }
        // a conversion skips white space first, whatever the format says
        skipSpace(s);
        skip = false;
        ScanResult r = *f++ == 'd' ? scanInt(s, ints++) : scanFloat(s, floats++);
        if (r == scanInputEnd) return done == 0 ? GLM_EOF : done;
        if (r == scanMismatch) return done;
        done++;
    }
    return done;
}

const char* const _glmFacePatterns[4] = {"%d//%d", "%d/%d/%d", "%d/%d", "%d"};

namespace {

// a literal character of a format: no white space is skipped before it
inline ScanResult matchLiteral(GlmStream* s, char ch) {
    if (s->pos == s->size) return scanInputEnd;
    if (s->data[s->pos] != ch) return scanMismatch;
    s->pos++;
    return scanDone;
}

}  // namespace

int _glmScanCorner(GlmStream* s, int form, int* values) {
    skipSpace(s);
    ScanResult r = scanInt(s, &values[0]);
    if (r != scanDone) return r == scanInputEnd ? GLM_EOF : 0;
    if (form == GLM_FACE_V || matchLiteral(s, '/') != scanDone) return 1;
    if (form == GLM_FACE_VN && matchLiteral(s, '/') != scanDone) return 1;
    skipSpace(s);
    if (scanInt(s, &values[1]) != scanDone) return 1;
    if (form != GLM_FACE_VTN || matchLiteral(s, '/') != scanDone) return 2;
    skipSpace(s);
    return scanInt(s, &values[2]) == scanDone ? 3 : 2;
}

int _glmFaceForm(const char* corner) {
    // the usual corners, whole numbers joined by single slashes, decide at a glance
    const char* p = corner;
    for (int numbers = 1;; numbers++) {
        if (*p == '-' || *p == '+') p++;
        if (!isDigit(static_cast<unsigned char>(*p))) break;
        while (isDigit(static_cast<unsigned char>(*p))) p++;
        if (*p == '\0') return numbers == 1 ? GLM_FACE_V : numbers == 2 ? GLM_FACE_VT : GLM_FACE_VTN;
        if (*p != '/' || numbers == 3) break;
        if (*++p == '/') return GLM_FACE_VN;
    }
    // the rest as the reader's tests say: a "//" anywhere, then what sscanf converts
    int values[3];
    if (strstr(corner, "//")) return GLM_FACE_VN;
    if (_glmScanString(corner, "%d/%d/%d", values, nullptr) == 3) return GLM_FACE_VTN;
    if (_glmScanString(corner, "%d/%d", values, nullptr) == 2) return GLM_FACE_VT;
    return GLM_FACE_V;
}

int _glmScanString(const char* text, const char* format, int* ints, float* floats) {
    GlmStream s = {text, strlen(text), 0};
    return _glmScan(&s, format, ints, floats);
}

// the in-place word scans read the buffer while they write into it, as sscanf with the
// same buffer for input and output does: a word's terminator may land on a byte still to read
int _glmFirstWord(char* buf) {
    size_t end = strlen(buf), r = 0, w = 0;
    while (r < end && isSpace(static_cast<unsigned char>(buf[r]))) r++;
    if (r == end) return GLM_EOF;
    while (r < end && !isSpace(static_cast<unsigned char>(buf[r]))) buf[w++] = buf[r++];
    buf[w] = '\0';
    return 1;
}

int _glmNameWord(char* buf) {
    size_t end = strlen(buf), r = 0, w = 0;
    while (r < end && isSpace(static_cast<unsigned char>(buf[r]))) r++;
    if (r == end) return GLM_EOF;
    while (r < end && !isSpace(static_cast<unsigned char>(buf[r]))) buf[w++] = buf[r++];
    buf[w] = '\0';
    while (r < end && isSpace(static_cast<unsigned char>(buf[r]))) r++;
    if (r == end) return 1;
    w = 0;
    while (r < end && !isSpace(static_cast<unsigned char>(buf[r]))) buf[w++] = buf[r++];
    buf[w] = '\0';
    return 2;
}
