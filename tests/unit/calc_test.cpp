// The calculator's arithmetic: the number syntax checked while typing, left-to-right
// evaluation, the last result and the result text.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "common/calc.h"

namespace {

// Types every character of keys ('b' stands for backspace) and returns the input.
std::string typed(calc_state* s, const char* keys) {
    for (const char* k = keys; *k; ++k)
        calc_type(s, *k == 'b' ? '\b' : *k);
    return s->line + 1;
}

std::string typed(const char* keys) {
    calc_state s{};
    calc_open(&s);
    return typed(&s, keys);
}

} // namespace

TEST(Calc, NumberSyntaxWhileTyping) {
    struct Case {
        const char* keys;
        const char* input;
    } cases[] = {
        // The decimal point, again in the same number the exponent mark, directly behind
        // that mark the exponent's minus.
        {"1.5.3", "1.5e3"},
        {"1.5..3", "1.5e-3"},
        {"1..3", "1.e3"},
        {"1...3", "1.e-3"},
        {"1.5e-3", "1.5e-3"},
        // A point behind the exponent is refused, as is a third point behind its minus.
        {"1.5.3.", "1.5e3"},
        {"1.5...", "1.5e-"},
        // At most three exponent digits, no leading zero in the exponent.
        {"1.2.3456", "1.2e345"},
        {"1.0", "1.0"},
        {"1..0", "1.e"},
        // No operator behind an exponent mark waiting for its digits.
        {"1.5.+", "1.5e"},
        {"1.5..=", "1.5e-"},
        // A 0 starting a number stands alone or before the decimal point.
        {"0+", "0"},
        {"05", "0"},
        {"00", "0"},
        {"0.5+1=", "0.5+1="},
        {"10+20", "10+20"},
        {"3-0=", "3-0="},
        // A leading decimal point needs a digit behind it.
        {".5", ".5"},
        {".+", "."},
        {"1+.=", "1+."},
        // Operators may start the input and follow each other.
        {"+2", "+2"},
        {"*=", "*="},
        // Backspace removes the last character; on an empty input it does nothing.
        {"12b3", "13"},
        {"bb1", "1"},
        {"1.5.3bb", "1.5"},
        // A refused key leaves the input as it was; a later valid key is accepted.
        {"1.5.+-4", "1.5e-4"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(typed(c.keys), c.input) << c.keys;
}

TEST(Calc, InputHoldsAtMostTwentyOneCharacters) {
    calc_state s{};
    calc_open(&s);
    EXPECT_EQ(typed(&s, "1234567890123456789012345"), "123456789012345678901");
    EXPECT_EQ(s.length, 21);
    EXPECT_EQ(calc_type(&s, '='), CALC_IGNORED);
    EXPECT_EQ(calc_type(&s, '\b'), CALC_EDITED);
    EXPECT_EQ(calc_type(&s, '='), CALC_RESULT);
}

TEST(Calc, TypedReportsWhatChanged) {
    calc_state s{};
    calc_open(&s);
    EXPECT_EQ(calc_type(&s, '\b'), CALC_IGNORED);
    EXPECT_EQ(calc_type(&s, '0'), CALC_EDITED);
    EXPECT_EQ(calc_type(&s, '7'), CALC_IGNORED);
    EXPECT_EQ(calc_type(&s, 'x'), CALC_IGNORED);
    EXPECT_STREQ(s.line, " 0");
    EXPECT_EQ(calc_type(&s, '='), CALC_RESULT);
    // The finished expression stays for drawing until calc_next.
    EXPECT_STREQ(s.line, " 0=");
}

TEST(Calc, EvaluatesFromLeftToRight) {
    struct Case {
        const char* expression;
        double last, value;
    } cases[] = {
        {"2+3*4=", 0, 20},       // no precedence
        {"10-4/3=", 0, 2},       //
        {"1.5e3+1=", 0, 1501},   //
        {"1.5e-3*2=", 0, 0.003}, // the exponent's minus is no operator
        {"2e-1-1=", 0, -0.8},    //
        {"+2=", 3, 5},           // an empty operand is the last result
        {"*=", 3, 9},            // both operands empty
        {"=", 7, 7},             //
        {"5--1=", 2, 2},         // two operators in a row: 5 - last - 1
        {"0.5+1=", 0, 1.5},      //
        {".5*.5=", 0, 0.25},     //
        {"7", 0, 7},             // without "=" the expression simply ends
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(calc_evaluate(c.expression, c.last), c.value) << c.expression;
    EXPECT_TRUE(std::isinf(calc_evaluate("1/0=", 0)));
}

TEST(Calc, ResultTextAndLastResult) {
    struct Case {
        double value;
        const char* text;
    } cases[] = {
        {20, " 20                    "},
        {1.0 / 3, " 0.333333333333333     "},
        {-1.5e-300, " -1.5e-300             "},
        {1e300 * 1e10, " inf                   "},
        {-123456789012345678.0, " -1.23456789012346e+17 "},
    };
    char text[40];
    for (const Case& c : cases) {
        calc_result_text(c.value, text, sizeof text);
        EXPECT_STREQ(text, c.text) << c.value;
    }
    // The result of one expression is the empty operand of the next, also after reopening.
    calc_state s{};
    calc_open(&s);
    typed(&s, "1+2=");
    EXPECT_STREQ(s.result, " 3                     ");
    calc_next(&s, 7);
    calc_open(&s);
    EXPECT_EQ(calc_type(&s, '*'), CALC_EDITED);
    EXPECT_EQ(calc_type(&s, '='), CALC_RESULT);
    EXPECT_EQ(s.last, 9);
    // Division by zero prints what %g writes for infinity.
    calc_next(&s, 7);
    typed(&s, "1/0=");
    EXPECT_STREQ(s.result, " inf                   ");
}

TEST(Calc, OutputRowsAdvanceByTwoAndWrap) {
    calc_state s{};
    calc_open(&s);
    EXPECT_EQ(s.row, 0);
    s.row = 1; // the window's first drawing
    int rows[6];
    for (int& row : rows) {
        typed(&s, "1=");
        row = s.row;
        calc_next(&s, 7);
        EXPECT_STREQ(s.line, " ");
        EXPECT_EQ(s.length, 0);
    }
    const int want[6] = {1, 3, 5, 7, 1, 3}; // a fifth calculation is on row 1 again
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(rows[i], want[i]) << i;
    // A window of fewer rows wraps earlier.
    s.row = 5;
    calc_next(&s, 5);
    EXPECT_EQ(s.row, 1);
}
