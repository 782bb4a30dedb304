#pragma once

#include <string>
#include <string_view>
#include <vector>

// The request header lines of the HTTP client: a list of "Name: value"
// lines in which a name is looked up without regard to case.
namespace marlune::net {

class HeaderList {
public:
    // A non-empty value replaces the first line of that name (or is appended
    // as a new line); an empty value deletes that line.
    void SetValue(std::string_view name, std::string_view value);
    // Appends a line as it stands.
    void Add(std::string line) { lines_.push_back(std::move(line)); }
    void Clear() { lines_.clear(); }
    const std::vector<std::string>& Lines() const { return lines_; }
    // Every line followed by CR LF.
    std::string Text() const;

private:
    std::vector<std::string> lines_;
};

// Base64 with the RFC 2045 alphabet and "=" padding, on one line.
std::string Base64Encode(std::string_view bytes);

} // namespace marlune::net
