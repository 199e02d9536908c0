#pragma once
// Names for the cases of parameterised tests, so that a failure names its
// case (Rows/LeaveBeforeEntry) instead of printing the parameter's bytes.
// GoogleTest accepts letters, digits and '_' only; every suite passes a
// name generator to INSTANTIATE_TEST_SUITE_P.
#include <cctype>
#include <string>
#include <string_view>

namespace vq::test {

// A case text as a test name: letters and digits kept, every run of other
// characters (blanks, punctuation, Chinese) one '_'. "Empty" for an empty
// text, "Blank" for one of blanks only.
inline std::string paramName(std::string_view text)
{
    if (text.empty())
        return "Empty";
    if (text.find_first_not_of(' ') == std::string_view::npos)
        return "Blank";
    std::string out;
    for (const char c : text) {
        if (std::isalnum(static_cast<unsigned char>(c)) && static_cast<unsigned char>(c) < 0x80)
            out += c;
        else if (out.empty() || out.back() != '_')
            out += '_';
    }
    return out;
}

} // namespace vq::test
