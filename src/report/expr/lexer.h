#pragma once

#include "platform/ascii.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace marlune::report::expr {

// One token of an expression or a script.
struct Token {
    enum class Kind {
        End,       // after the last token
        Number,    // text holds the digits as written
        String,    // single-quoted; text holds the contents, doubled quotes made single
        Name,      // a bare name: letters, digits, "_", ".", "#", quoted field names
        Bracketed, // "[…]"; text holds what is between the brackets
        Operator,  // + - * / = <> < > <= >=
        Open,      // (
        Close,     // )
        Comma,
        Semicolon,
        Colon,
        Assign, // :=
    };
    Kind kind = Kind::End;
    std::string text;
    std::size_t position = 0; // offset in the source
};

// The tokens of a text, ending with one End token. Raises ExpressionError
// on an unterminated string or bracket and on a character that starts no
// token.
std::vector<Token> Tokenize(std::string_view text);

using platform::UpperAscii;

} // namespace marlune::report::expr
