// The calculator's arithmetic, shared by the calculator windows of both TAPs: an expression is
// typed character by character with its number syntax checked as it grows, and evaluated
// strictly from left to right; the last result stays for the next expression.
#pragma once

#include <stddef.h>
#include <stdint.h>

enum { CALC_INPUT_MAX = 21, CALC_RESULT_WIDTH = 22 };

struct calc_state {
    char line[2 + CALC_INPUT_MAX]; // display line: one blank, then the input (NUL-terminated)
    uint8_t length;                // characters of input
    uint8_t row;                   // output row of the next expression, 0 before the first drawing
    double last;                   // last result, kept across openings
    char result[40];               // the last result as printed (" %-*.15g", width 22)
};

// What one typed character did.
enum calc_typed {
    CALC_IGNORED, // nothing changed (refused, full input, backspace on an empty input)
    CALC_EDITED,  // the input changed: draw the display line
    CALC_RESULT,  // "=" evaluated the input: draw the display line, then `result` below it,
                  // then call calc_next
};

// Empties the input and sets the output row to 0; the last result stays.
void calc_open(calc_state* s);

// Types one character: '0'..'9', '.', 'e', '+', '-', '*', '/', '=', or '\b' (backspace). A
// character that would make the number syntax invalid is refused. The decimal point typed
// again in a number becomes the exponent mark, and directly behind the exponent mark its
// minus sign.
calc_typed calc_type(calc_state* s, char c);

// After the result was drawn: empties the input and moves the output row on by two, from
// last_row back to 1.
void calc_next(calc_state* s, int last_row);

// Left-to-right value of an expression; an empty operand stands for last.
double calc_evaluate(const char* expression, double last);

// " %-*.15g" of value with width 22 into out.
void calc_result_text(double value, char* out, size_t size);
