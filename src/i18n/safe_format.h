#pragma once

#include <concepts>
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ps {

// One argument of a printf-style text. It keeps the value with its kind (a string as a
// copy), so that a format never reads an argument as a type it was not given.
class FormatArg {
  public:
    enum class Kind { Signed, Unsigned, Floating, String, Pointer };

    template <std::signed_integral T>
    FormatArg(T value) : kind_(Kind::Signed), signed_(value) {}
    template <std::unsigned_integral T>
    FormatArg(T value) : kind_(Kind::Unsigned), unsigned_(value) {}
    template <std::floating_point T>
    FormatArg(T value) : kind_(Kind::Floating), floating_(static_cast<long double>(value)) {}
    FormatArg(const char* value) : kind_(Kind::String), string_(value ? value : "") {}
    FormatArg(const std::string& value) : kind_(Kind::String), string_(value) {}
    FormatArg(std::string_view value) : kind_(Kind::String), string_(value) {}
    FormatArg(const void* value) : kind_(Kind::Pointer), pointer_(value) {}

    Kind kind() const { return kind_; }
    long long asSigned() const;
    unsigned long long asUnsigned() const;
    long double asFloating() const;
    std::string asString() const;
    const void* asPointer() const { return kind_ == Kind::Pointer ? pointer_ : nullptr; }

  private:
    Kind kind_;
    long long signed_ = 0;
    unsigned long long unsigned_ = 0;
    long double floating_ = 0;
    std::string string_;
    const void* pointer_ = nullptr;
};

// One conversion of a format, such as "%-5.2f" or "%08lX".
struct ConversionSpec {
    std::string flags;      // any of "-+ #0"
    int width = -1;         // -1 none, -2 taken from an argument ("*")
    int precision = -1;     // -1 none, -2 taken from an argument (".*")
    std::string length;     // "", "hh", "h", "l", "ll", "j", "z", "t" or "L"
    char conversion = 0;    // d i o u x X c s p f F e E g G a A
    std::size_t begin = 0;  // offset of the '%'
    std::size_t end = 0;    // one past the conversion character
};

// The conversion specifications of a format in order ("%%" is not one). Empty optional
// when the format is not well formed: a trailing '%', an unknown conversion, a length
// that does not fit its conversion, or "%n".
std::optional<std::vector<ConversionSpec>> parseConversions(std::string_view format);

// True when a translated format takes the same arguments as the English one: the same
// number of conversions, in the same order, of the same type (and the same use of "*").
// Flags, width and precision may differ.
bool conversionsMatch(std::string_view translated, std::string_view english);

// Formats with snprintf, one conversion at a time, each argument converted to the type
// its conversion expects. A missing argument prints nothing, extra ones are ignored,
// widths and precisions are capped, text that is no conversion is copied as it stands.
std::string formatChecked(std::string_view format, std::span<const FormatArg> args);

// The translated format when its conversions match the English one's, else the English.
std::string formatLocalized(std::string_view translated, std::string_view english,
                            std::span<const FormatArg> args);

}  // namespace ps
