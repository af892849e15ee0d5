// scan.cpp: the readers' in-memory scanner, consuming input exactly as the C library's
// fscanf, fgets and sscanf do for the few directives the readers use.
#include <charconv>
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

// %d: optional sign and decimal digits; strtol's saturation to long, then the cast to int
ScanResult scanInt(GlmStream* s, int* out) {
    int c = getChar(s);
    if (c == GLM_EOF) return scanInputEnd;
    bool negative = false;
    if (c == '-' || c == '+') {
        negative = c == '-';
        c = getChar(s);
    }
    if (!isDigit(c)) {
        ungetChar(s, c);
        return scanMismatch;
    }
    const unsigned long long limit = 1ull << 63;
    unsigned long long magnitude = 0;
    bool overflow = false;
    while (isDigit(c)) {
        unsigned d = static_cast<unsigned>(c - '0');
        if (overflow || magnitude > (limit - d) / 10)
            overflow = true;
        else
            magnitude = magnitude * 10 + d;
        c = getChar(s);
    }
    ungetChar(s, c);
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

// %f: collects the longest prefix that can begin a number, with one byte of push-back,
// then converts what it collected
ScanResult scanFloat(GlmStream* s, float* out) {
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
    skipSpace(s);
    if (s->pos == s->size) return GLM_EOF;
    size_t n = 0;
    while (s->pos < s->size && n < GLM_BUFFER_SIZE - 1 && !spaceTable[static_cast<unsigned char>(s->data[s->pos])])
        buf[n++] = s->data[s->pos++];
    buf[n] = '\0';
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
    size_t limit = s->size - s->pos;
    if (limit > GLM_BUFFER_SIZE - 1) limit = GLM_BUFFER_SIZE - 1;
    const char* start = s->data + s->pos;
    const char* newline = static_cast<const char*>(memchr(start, '\n', limit));
    s->pos += newline ? static_cast<size_t>(newline - start) + 1 : limit;
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
