// scan_test.cpp: the in-memory scanner against the C library, on the same bytes.
//
// Every operation the readers use runs on both: the C library through fmemopen, and our
// GlmStream. After each operation the return values, the converted values (bit for bit)
// and the stream positions must agree.
#include <gtest/gtest.h>
#include <stdio.h>
#include <string.h>
#include <random>
#include <string>
#include "glm/glm_internal.h"

namespace {

uint32_t floatBits(float f) {
    uint32_t bits;
    memcpy(&bits, &f, sizeof bits);
    return bits;
}

// Runs one pattern on both streams; returns a description of the first difference, or "".
std::string compareScan(FILE* c, GlmStream* ours, int pattern) {
    const char* format = _glmPatterns[pattern];
    int ci[3] = {7, 7, 7}, oi[3] = {7, 7, 7};
    float cf[3] = {7, 7, 7}, of[3] = {7, 7, 7};
    int cr, orr;
    bool isFloat = strchr(format, 'f') != nullptr;
    if (isFloat) {
        cr = fscanf(c, format, &cf[0], &cf[1], &cf[2]);
        orr = _glmScan(ours, pattern, nullptr, of);
    } else {
        cr = fscanf(c, format, &ci[0], &ci[1], &ci[2]);
        orr = _glmScan(ours, pattern, oi, nullptr);
    }
    std::string where = std::string("format \"") + format + "\"";
    if (cr != orr) return where + ": returned " + std::to_string(orr) + ", libc " + std::to_string(cr);
    for (int k = 0; k < cr; k++) {
        if (isFloat ? floatBits(cf[k]) != floatBits(of[k]) : ci[k] != oi[k])
            return where + ": value " + std::to_string(k) + " differs (" +
                   (isFloat ? std::to_string(of[k]) + " vs libc " + std::to_string(cf[k])
                            : std::to_string(oi[k]) + " vs libc " + std::to_string(ci[k])) + ")";
    }
    return "";
}

// Runs a sequence of operations (chosen by `ops`) over `input` on both implementations.
std::string runDifferential(const std::string& input, const std::vector<int>& ops) {
    std::string copy = input;
    FILE* c = fmemopen(copy.empty() ? nullptr : &copy[0], copy.size(), "r");
    if (!c) return "fmemopen failed";
    GlmStream ours = {input.data(), input.size(), 0};
    std::string failure;
    for (size_t step = 0; step < ops.size() && failure.empty(); step++) {
        int op = ops[step];
        char cb[GLM_BUFFER_SIZE], ob[GLM_BUFFER_SIZE];
        memset(cb, 'Z', sizeof cb);
        memset(ob, 'Z', sizeof ob);
        if (op == 0) {
            int cr = fscanf(c, "%127s", cb);
            int orr = _glmScanToken(&ours, ob);
            if (cr != orr || (cr == 1 && strcmp(cb, ob) != 0)) failure = "token differs";
        } else if (op == 1) {
            bool cr = fgets(cb, GLM_BUFFER_SIZE, c) != nullptr;
            bool orr = _glmReadLine(&ours, ob) != 0;
            if (cr != orr || (cr && memcmp(cb, ob, strlen(cb) + 1) != 0)) failure = "line differs";
        } else {
            failure = compareScan(c, &ours, op - 2);
        }
        long cpos = ftell(c);
        if (failure.empty() && cpos != static_cast<long>(ours.pos))
            failure = "position " + std::to_string(ours.pos) + ", libc " + std::to_string(cpos);
        if (!failure.empty()) failure = "step " + std::to_string(step) + " (op " + std::to_string(op) + "): " + failure;
    }
    fclose(c);
    return failure;
}

std::string printable(const std::string& s) {
    std::string out;
    for (unsigned char ch : s) {
        if (ch >= 32 && ch < 127)
            out += static_cast<char>(ch);
        else
            out += "\\x" + std::string(1, "0123456789abcdef"[ch >> 4]) + "0123456789abcdef"[ch & 15];
    }
    return out;
}

// Every pattern alone, repeated until the input is used up, on one input.
void expectAllFormatsAgree(const std::string& input) {
    for (int op = 0; op < 2 + GLM_PATTERN_COUNT; op++) {
        std::vector<int> ops(8, op);
        std::string failure = runDifferential(input, ops);
        EXPECT_EQ(failure, "") << "input \"" << printable(input) << "\"";
    }
}

TEST(Scanner, NumbersAgreeWithLibc) {
    const char* cases[] = {
        "1", "-1", "+1", "0", "-0", "007", "2147483647", "2147483648", "-2147483649", "99999999999",
        "9223372036854775807", "9223372036854775808", "-9223372036854775808", "-9223372036854775809",
        "123456789012345678901234567890", "0x1A", "1.5", "-2.25e3", "1e", "1e+", "1E-", "1e+5x", ".5", "5.",
        ".", "-.", "-", "+", "- 1", "--1", "+-1", "1.2.3", "1e5.5", "0.1", "3.4028235e38", "3.4028236e38",
        "1e39", "-1e39", "1e-38", "1.4e-45", "1e-46", "7e-46", "1e-400", "0.000000000000000000000000000001",
        "0x", "0x1p3", "0X1.8P-2", "0x.p", "0x1p", "0xg", "-0x10", "inf", "-inf", "INF", "infinity",
        "Infinity", "infin", "infx", "inx", "nan", "-nan", "NaN", "nan(123)", "na", "nx", "n", "i",
        "1/2/3", "1//3", "1/2", "1/", "/1", "-1/-2/-3", "1 / 2", "1/ 2", "1 /2", "12abc", "4294967296",
        "1.00000005960464477539062499", "1.000000059604644775390625", "1.00000005960464477539062501",
        "16777217", "0.30000001192092895507812500000000001", "00000000000000000000000000000.5e1",
    };
    for (const char* text : cases) {
        expectAllFormatsAgree(text);
        expectAllFormatsAgree(std::string("  \n\t") + text + " 7 8/9 tail");
    }
}

TEST(Scanner, TokensLinesAndSeparatorsAgreeWithLibc) {
    std::string longToken(300, 'q');
    std::string longLine = "v " + std::string(200, '1') + "\nf 1 2 3\n";
    const std::string cases[] = {
        "", " ", "\n", "v 1 2 3\n", "vn 0 0 1\r\nvt 0.5 0.5\r\n", "f 1/2/3 4/5/6 7/8/9\n", longToken,
        longToken + " after", longLine, std::string("a\0b c\n", 6), std::string("\0\0\n1 2", 6),
        "\v\f\r 12 \v 13", "no newline at end", "x\n\n\n\ny", std::string(127, 'a') + "\nb",
        std::string(126, 'a') + "\nb", std::string(128, 'a') + "\nb",
    };
    for (const std::string& text : cases) expectAllFormatsAgree(text);
}

// inputs with the readers' alphabet: numbers, separators, keywords, garbage and long runs
std::string randomInput(std::mt19937& rng) {
    static const char* const pieces[] = {
        "0", "1", "7", "42", "-", "+", ".", "e", "E", "/", "//", " ", "  ", "\t", "\n", "\r\n", "\v", "x", "p",
        "n", "a", "i", "f", "nan", "inf", "infinity", "0x", "v", "vn", "vt", "g", "usemtl", "#", "\0", "9999999999",
        "1e38", "1e-39", "3.14159", "-0.5", "1/2/3", "4//5", "6/7",
        // bytes next to white space, and bytes whose low seven bits are white space
        "\f", "\x08", "\x0e", "\x1f", "!", "\x89", "\x8d", "\xa0", "\xe9t\xe9",
    };
    std::uniform_int_distribution<int> piece(0, sizeof pieces / sizeof pieces[0] - 1);
    std::uniform_int_distribution<int> length(0, 40);
    std::uniform_int_distribution<int> longRun(0, 30);
    std::string s;
    for (int n = length(rng); n > 0; n--) {
        const char* p = pieces[piece(rng)];
        if (*p == '\0')
            s += '\0';
        else
            s += p;
        if (longRun(rng) == 0) s += std::string(100 + longRun(rng) * 3, "9 a\n"[longRun(rng) % 4]);
    }
    return s;
}

// well-formed decimal numbers of every magnitude, to check rounding against strtof
std::string randomNumber(std::mt19937& rng) {
    std::uniform_int_distribution<int> digits(1, 30), digit(0, 9), exponent(-60, 60), coin(0, 3);
    std::string s;
    if (coin(rng) == 0) s += '-';
    for (int n = digits(rng); n > 0; n--) s += static_cast<char>('0' + digit(rng));
    if (coin(rng) != 0) {
        s += '.';
        for (int n = digits(rng); n > 0; n--) s += static_cast<char>('0' + digit(rng));
    }
    if (coin(rng) != 0) s += "e" + std::to_string(exponent(rng));
    return s;
}

TEST(Scanner, RandomInputsAgreeWithLibc) {
    std::mt19937 rng(20261208);
    std::uniform_int_distribution<int> op(0, 1 + GLM_PATTERN_COUNT);
    for (int round = 0; round < 100000; round++) {
        std::string input = randomInput(rng);
        std::vector<int> ops(30);
        for (int& o : ops) o = op(rng);
        std::string failure = runDifferential(input, ops);
        ASSERT_EQ(failure, "") << "input \"" << printable(input) << "\"";
    }
}

// Counting a corner consumes exactly what converting it consumes, with the same result.
TEST(Scanner, SkippedCornersConsumeAsConvertedOnes) {
    std::mt19937 rng(5);
    for (int round = 0; round < 20000; round++) {
        std::string input = randomInput(rng);
        for (int form = GLM_FACE_VN; form <= GLM_FACE_V; form++) {
            GlmStream converted = {input.data(), input.size(), 0}, skipped = converted;
            for (int step = 0; step < 12; step++) {
                int values[3];
                int expected = _glmScan(&converted, form, values, nullptr);
                ASSERT_EQ(_glmSkipCorner(&skipped, form), expected) << "input \"" << printable(input) << "\"";
                ASSERT_EQ(skipped.pos, converted.pos) << "input \"" << printable(input) << "\"";
                if (expected <= 0) _glmSkipLine(&converted), _glmSkipLine(&skipped);
            }
        }
    }
}

TEST(Scanner, RandomNumbersRoundAsLibc) {
    std::mt19937 rng(7);
    for (int round = 0; round < 20000; round++) {
        std::string input = randomNumber(rng) + " " + randomNumber(rng) + "\n" + randomNumber(rng);
        std::string failure = runDifferential(input, {6, 6, 6, 8});
        ASSERT_EQ(failure, "") << "input \"" << input << "\"";
    }
}

// The face form of a corner against the reader's literal rule, and the corner's values
// against sscanf with the form's pattern.
TEST(Scanner, FaceFormsFollowTheLiteralRule) {
    std::mt19937 rng(3);
    const char alphabet[] = "0123456789//-+x \0";  // a NUL ends the corner for sscanf too
    std::uniform_int_distribution<int> ch(0, sizeof alphabet - 2), length(0, 12);
    for (int round = 0; round < 200000; round++) {
        std::string corner;
        for (int n = length(rng); n > 0; n--) corner += alphabet[ch(rng)];
        int values[3], expected;
        if (strstr(corner.c_str(), "//"))
            expected = GLM_FACE_VN;
        else if (sscanf(corner.c_str(), "%d/%d/%d", &values[0], &values[1], &values[2]) == 3)
            expected = GLM_FACE_VTN;
        else if (sscanf(corner.c_str(), "%d/%d", &values[0], &values[1]) == 2)
            expected = GLM_FACE_VT;
        else
            expected = GLM_FACE_V;
        // what the form's pattern does not convert keeps what was there
        int libc[3] = {7, 7, 7}, ours[3] = {7, 7, 7};
        sscanf(corner.c_str(), _glmPatterns[expected], &libc[0], &libc[1], &libc[2]);
        ASSERT_EQ(_glmFaceForm(corner.data(), corner.size(), ours), expected) << '"' << corner << '"';
        for (int k = 0; k < 3; k++) ASSERT_EQ(ours[k], libc[k]) << '"' << corner << '"';
    }
}

// The first corner read in place against the token buffer the reader used to fill.
TEST(Scanner, FirstCornersAgreeWithTheTokenBuffer) {
    const std::string longCorner(140, '5');  // a token of 127 bytes, then the rest
    const char* const inputs[] = {"1/2/3 4/5/6", "  7//8\n", "9", "", "   ", "-1/-2", "x", "1//", longCorner.c_str()};
    for (const char* input : inputs) {
        for (const char* keyword : {"f", "f//"}) {
            GlmStream a = {input, strlen(input), 0}, b = a;
            char buf[GLM_BUFFER_SIZE];
            strcpy(buf, keyword);
            int viaBuffer[3] = {0, 0, 0}, inPlace[3] = {0, 0, 0};
            _glmScanToken(&a, buf);
            int form = _glmFaceForm(buf, strlen(buf), viaBuffer);
            EXPECT_EQ(_glmFirstCorner(&b, keyword, inPlace), form) << '"' << input << '"';
            EXPECT_EQ(memcmp(viaBuffer, inPlace, sizeof inPlace), 0) << '"' << input << '"';
            EXPECT_EQ(a.pos, b.pos) << '"' << input << '"';
        }
    }
}

// The in-place word scans against sscanf with one buffer for input and output.
TEST(Scanner, InPlaceWordsAgreeWithSscanf) {
    const char* cases[] = {
        " a.mtl b.mtl\n", " only\n", "   \n", "", " \n", "a.mtl b.mtl", "x y z\n", "\tleading\ttabs\n",
        "noSpaceFirst second\n", " one two three four\n", "  x\n",
    };
    for (const char* text : cases) {
        char libc[GLM_BUFFER_SIZE], ours[GLM_BUFFER_SIZE];
        strcpy(libc, text);
        strcpy(ours, text);
        int cr = sscanf(libc, "%s %s", libc, libc);
        int orr = _glmNameWord(ours);
        EXPECT_EQ(cr, orr) << '"' << printable(text) << '"';
        EXPECT_STREQ(libc, ours) << '"' << printable(text) << '"';

        strcpy(libc, text);
        strcpy(ours, text);
        cr = sscanf(libc, "%s", libc);
        orr = _glmFirstWord(ours);
        EXPECT_EQ(cr, orr);
        EXPECT_STREQ(libc, ours);
    }
}

TEST(Scanner, NamesTakeTheSecondOfTwoWords) {
    char buf[GLM_BUFFER_SIZE] = " a.mtl b.mtl\n";
    EXPECT_EQ(_glmNameWord(buf), 2);
    EXPECT_STREQ(buf, "b.mtl");
    strcpy(buf, " red\n");
    EXPECT_EQ(_glmNameWord(buf), 1);
    EXPECT_STREQ(buf, "red");
}

}  // namespace
