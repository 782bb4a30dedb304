#include "report/expr/lexer.h"

#include "report/expr/errors.h"
#include "report/expr/expandtext.h"

#include <cctype>

namespace marlune::report::expr {

namespace {

bool IsDigit(char c)
{
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

bool StartsName(char c)
{
    return std::isalpha(static_cast<unsigned char>(c)) != 0 || c == '_' ||
           static_cast<unsigned char>(c) >= 0x80;
}

bool ContinuesName(char c)
{
    return StartsName(c) || IsDigit(c) || c == '.' || c == '#';
}

[[noreturn]] void Fail(const std::string& what, std::size_t position)
{
    throw ExpressionError(what + " at position " + std::to_string(position + 1));
}

// From the quote at `i`, the offset after the closing quote.
std::size_t SkipQuoted(std::string_view text, std::size_t i)
{
    const auto end = text.find('"', i + 1);
    if (end == std::string_view::npos) {
        Fail("Unterminated name", i);
    }
    return end + 1;
}

} // namespace

std::vector<Token> Tokenize(std::string_view text)
{
    std::vector<Token> tokens;
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        const std::size_t start = i;
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            ++i;
            continue;
        }
        Token t;
        t.position = start;
        if (IsDigit(c)) {
            while (i < text.size() && IsDigit(text[i])) {
                ++i;
            }
            if (i + 1 < text.size() && text[i] == '.' && IsDigit(text[i + 1])) {
                ++i;
                while (i < text.size() && IsDigit(text[i])) {
                    ++i;
                }
            }
            if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
                std::size_t j = i + 1;
                if (j < text.size() && (text[j] == '+' || text[j] == '-')) {
                    ++j;
                }
                if (j < text.size() && IsDigit(text[j])) {
                    i = j;
                    while (i < text.size() && IsDigit(text[i])) {
                        ++i;
                    }
                }
            }
            // Names may start with digits ("1stLine" is no number).
            if (i < text.size() && StartsName(text[i])) {
                while (i < text.size() && ContinuesName(text[i])) {
                    ++i;
                }
                t.kind = Token::Kind::Name;
            } else {
                t.kind = Token::Kind::Number;
            }
            t.text = std::string(text.substr(start, i - start));
        } else if (StartsName(c) || c == '"') {
            while (i < text.size() && (ContinuesName(text[i]) || text[i] == '"')) {
                i = text[i] == '"' ? SkipQuoted(text, i) : i + 1;
            }
            t.kind = Token::Kind::Name;
            t.text = std::string(text.substr(start, i - start));
        } else if (c == '\'') {
            ++i;
            while (true) {
                if (i >= text.size()) {
                    Fail("Unterminated string", start);
                }
                if (text[i] == '\'') {
                    if (i + 1 < text.size() && text[i + 1] == '\'') {
                        t.text += '\'';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                t.text += text[i++];
            }
            t.kind = Token::Kind::String;
        } else if (c == '[') {
            const auto close = FindMatchingBracket(text, i);
            if (!close) {
                Fail("Unmatched [", start);
            }
            t.kind = Token::Kind::Bracketed;
            t.text = std::string(text.substr(i + 1, *close - i - 1));
            i = *close + 1;
        } else if (c == '<' || c == '>') {
            const bool two =
                i + 1 < text.size() && (text[i + 1] == '=' || (c == '<' && text[i + 1] == '>'));
            t.kind = Token::Kind::Operator;
            t.text = std::string(text.substr(i, two ? 2 : 1));
            i += t.text.size();
        } else if (c == ':') {
            const bool assign = i + 1 < text.size() && text[i + 1] == '=';
            t.kind = assign ? Token::Kind::Assign : Token::Kind::Colon;
            i += assign ? 2 : 1;
        } else {
            switch (c) {
            case '+':
            case '-':
            case '*':
            case '/':
            case '=':
                t.kind = Token::Kind::Operator;
                t.text = std::string(1, c);
                break;
            case '(':
                t.kind = Token::Kind::Open;
                break;
            case ')':
                t.kind = Token::Kind::Close;
                break;
            case ',':
                t.kind = Token::Kind::Comma;
                break;
            case ';':
                t.kind = Token::Kind::Semicolon;
                break;
            default:
                Fail(std::string("Unexpected character '") + c + "'", start);
            }
            ++i;
        }
        tokens.push_back(std::move(t));
    }
    Token end;
    end.position = text.size();
    tokens.push_back(end);
    return tokens;
}

} // namespace marlune::report::expr
