#include "calc.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

// Number states while the input is checked from its start.
enum {
    AT_START,    // at the start of a number
    INTEGER,     // in the integer digits
    FRACTION,    // after the decimal point
    EXPONENT,    // after the exponent mark (and its minus)
    EXP_DIGIT_1, // one exponent digit
    EXP_DIGIT_3 = EXP_DIGIT_1 + 2,
};

bool is_operator(char c) {
    return c == '+' || c == '-' || c == '*' || c == '/' || c == '=';
}

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

// Checks the whole input; may turn a '.' into 'e' and the character behind an 'e' into '-'.
bool input_valid(char* in) {
    int state = AT_START;
    for (int i = 0; in[i]; ++i) {
        char c = in[i];
        if (c == '.') {
            if (state == INTEGER) {
                state = FRACTION;
                continue;
            }
            if (state == AT_START) {
                if (in[i + 1] && !is_digit(in[i + 1])) return false;
                state = FRACTION;
                continue;
            }
            in[i] = c = 'e'; // a second point in a number is the exponent mark
        }
        if (c == 'e') {
            if (state != INTEGER && state != FRACTION) return false;
            if (in[i + 1] == 'e' || in[i + 1] == '.') in[i + 1] = '-';
            if (in[i + 1] == '-') ++i; // the exponent's sign
            state = EXPONENT;
            continue;
        }
        if (is_operator(c)) {
            if (state == EXPONENT) return false;
            state = AT_START;
            continue;
        }
        if (!is_digit(c)) return false;
        if (c == '0') {
            // No leading zeros: a 0 alone, or before the decimal point.
            if (state == AT_START && in[i + 1] && in[i + 1] != '.' && in[i + 1] != '=')
                return false;
            if (state == EXPONENT) return false;
        }
        if (state == EXP_DIGIT_3) return false;
        if (state >= EXPONENT)
            ++state;
        else if (state != FRACTION)
            state = INTEGER;
    }
    return true;
}

double operand_value(const char* start, const char* end, double last) {
    if (start == end) return last;
    char text[CALC_INPUT_MAX + 1];
    size_t n = static_cast<size_t>(end - start);
    if (n >= sizeof text) n = sizeof text - 1;
    memcpy(text, start, n);
    text[n] = 0;
    return strtod(text, nullptr);
}

} // namespace

void calc_open(calc_state* s) {
    s->line[0] = ' ';
    s->line[1] = 0;
    s->length = 0;
    s->row = 0;
}

calc_typed calc_type(calc_state* s, char c) {
    char* input = s->line + 1;
    if (c == '\b') {
        if (!s->length) return CALC_IGNORED;
        input[--s->length] = 0;
        return CALC_EDITED;
    }
    if (s->length >= CALC_INPUT_MAX) return CALC_IGNORED;
    input[s->length] = c;
    input[s->length + 1] = 0;
    if (!input_valid(input)) {
        input[s->length] = 0;
        return CALC_IGNORED;
    }
    ++s->length;
    if (c != '=') return CALC_EDITED;
    s->last = calc_evaluate(input, s->last);
    calc_result_text(s->last, s->result, sizeof s->result);
    return CALC_RESULT;
}

void calc_next(calc_state* s, int last_row) {
    s->line[1] = 0;
    s->length = 0;
    s->row = static_cast<uint8_t>(s->row + 2 > last_row ? 1 : s->row + 2);
}

double calc_evaluate(const char* expression, double last) {
    double sum = 0;
    char op = 0;
    const char* p = expression;
    for (;;) {
        // An operand reaches up to the next operator; a '-' behind an 'e' is its exponent's.
        const char* start = p;
        while (*p && !(is_operator(*p) && !(*p == '-' && p > start && p[-1] == 'e')))
            ++p;
        double value = operand_value(start, p, last);
        switch (op) {
        case 0:
            sum = value;
            break;
        case '+':
            sum += value;
            break;
        case '-':
            sum -= value;
            break;
        case '*':
            sum *= value;
            break;
        case '/':
            sum /= value;
            break;
        }
        if (!*p || *p == '=') return sum;
        op = *p++;
    }
}

void calc_result_text(double value, char* out, size_t size) {
    snprintf(out, size, " %-*.15g", static_cast<int>(CALC_RESULT_WIDTH), value);
}
