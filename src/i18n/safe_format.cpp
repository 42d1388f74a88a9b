#include "i18n/safe_format.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <type_traits>

namespace ps {
namespace {

// Wide enough for any sensible column, small enough that no language file can make a
// single conversion allocate without bound.
constexpr int kMaxWidthOrPrecision = 1024;

enum class ArgClass { Signed, Unsigned, Char, String, Floating, Pointer };

ArgClass classOf(char conversion) {
    switch (conversion) {
        case 'd':
        case 'i':
            return ArgClass::Signed;
        case 'o':
        case 'u':
        case 'x':
        case 'X':
            return ArgClass::Unsigned;
        case 'c':
            return ArgClass::Char;
        case 's':
            return ArgClass::String;
        case 'p':
            return ArgClass::Pointer;
        default:
            return ArgClass::Floating;
    }
}

bool isConversion(char c) {
    return std::string_view{"diouxXcspfFeEgGaA"}.find(c) != std::string_view::npos;
}

bool lengthFits(const std::string& length, ArgClass cls) {
    switch (cls) {
        case ArgClass::Signed:
        case ArgClass::Unsigned:
            return length.empty() || length == "hh" || length == "h" || length == "l" ||
                   length == "ll" || length == "j" || length == "z" || length == "t";
        case ArgClass::Floating:
            return length.empty() || length == "l" || length == "L";
        default:
            return length.empty();
    }
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

int readNumber(std::string_view format, std::size_t& i) {
    int value = 0;
    while (i < format.size() && isDigit(format[i])) {
        if (value <= kMaxWidthOrPrecision) {
            value = value * 10 + (format[i] - '0');
        }
        ++i;
    }
    return value > kMaxWidthOrPrecision ? kMaxWidthOrPrecision : value;
}

// Reads one conversion starting at the '%' at `i`; false when it is malformed.
bool readSpec(std::string_view format, std::size_t i, ConversionSpec& conversion) {
    conversion = ConversionSpec{};
    conversion.begin = i++;
    while (i < format.size() &&
           std::string_view{"-+ #0"}.find(format[i]) != std::string_view::npos) {
        conversion.flags += format[i++];
    }
    if (i < format.size() && format[i] == '*') {
        conversion.width = -2;
        ++i;
    } else if (i < format.size() && isDigit(format[i])) {
        conversion.width = readNumber(format, i);
    }
    if (i < format.size() && format[i] == '.') {
        ++i;
        if (i < format.size() && format[i] == '*') {
            conversion.precision = -2;
            ++i;
        } else {
            conversion.precision = readNumber(format, i);
        }
    }
    if (i < format.size() && std::string_view{"hljztL"}.find(format[i]) != std::string_view::npos) {
        conversion.length += format[i++];
        if (i < format.size() && (format[i] == 'h' || format[i] == 'l') &&
            format[i] == conversion.length[0]) {
            conversion.length += format[i++];
        }
    }
    if (i >= format.size() || !isConversion(format[i])) {
        return false;
    }
    conversion.conversion = format[i++];
    conversion.end = i;
    return lengthFits(conversion.length, classOf(conversion.conversion));
}

template <typename T>
T clampFloating(long double value) {
    if (std::isnan(value)) {
        return 0;
    }
    if (value <= static_cast<long double>(std::numeric_limits<T>::min())) {
        return std::numeric_limits<T>::min();
    }
    if (value >= static_cast<long double>(std::numeric_limits<T>::max())) {
        return std::numeric_limits<T>::max();
    }
    return static_cast<T>(value);
}

long long narrowSigned(long long value, const std::string& length) {
    if (length == "hh")
        return static_cast<signed char>(value);
    if (length == "h")
        return static_cast<short>(value);
    if (length.empty())
        return static_cast<int>(value);
    if (length == "l")
        return static_cast<long>(value);
    if (length == "z")
        return static_cast<std::make_signed_t<std::size_t>>(value);
    if (length == "t")
        return static_cast<std::ptrdiff_t>(value);
    return value;
}

unsigned long long narrowUnsigned(unsigned long long value, const std::string& length) {
    if (length == "hh")
        return static_cast<unsigned char>(value);
    if (length == "h")
        return static_cast<unsigned short>(value);
    if (length.empty())
        return static_cast<unsigned int>(value);
    if (length == "l")
        return static_cast<unsigned long>(value);
    if (length == "z")
        return static_cast<std::size_t>(value);
    if (length == "t")
        return static_cast<std::make_unsigned_t<std::ptrdiff_t>>(value);
    return value;
}

template <typename T>
void appendPrintf(std::string& out, const std::string& conversion, T value) {
    char small[128];
    const int needed = std::snprintf(small, sizeof small, conversion.c_str(), value);
    if (needed < 0) {
        return;
    }
    if (static_cast<std::size_t>(needed) < sizeof small) {
        out.append(small, static_cast<std::size_t>(needed));
        return;
    }
    std::string big(static_cast<std::size_t>(needed) + 1, '\0');
    std::snprintf(big.data(), big.size(), conversion.c_str(), value);
    out.append(big.data(), static_cast<std::size_t>(needed));
}

// The conversion rebuilt with only what C defines for its conversion, so that no
// combination a translator writes reaches snprintf as undefined behaviour.
std::string rebuild(const ConversionSpec& conversion, int width, int precision,
                    const char* length) {
    const ArgClass cls = classOf(conversion.conversion);
    const bool numeric =
        cls == ArgClass::Signed || cls == ArgClass::Unsigned || cls == ArgClass::Floating;
    const bool alternate =
        cls == ArgClass::Floating || (cls == ArgClass::Unsigned && conversion.conversion != 'u');
    const bool sign = cls == ArgClass::Signed || cls == ArgClass::Floating;
    std::string out = "%";
    for (const char flag : std::string_view{"-+ #0"}) {
        if (conversion.flags.find(flag) == std::string::npos) {
            continue;
        }
        if ((flag == '#' && !alternate) || (flag == '0' && !numeric) ||
            ((flag == '+' || flag == ' ') && !sign)) {
            continue;
        }
        out += flag;
    }
    if (width >= 0) {
        out += std::to_string(width);
    }
    if (precision >= 0 && cls != ArgClass::Char && cls != ArgClass::Pointer) {
        out += '.';
        out += std::to_string(precision);
    }
    out += length;
    out += conversion.conversion;
    return out;
}

void appendConversion(std::string& out, const ConversionSpec& conversion, int width, int precision,
                      const FormatArg& arg) {
    switch (classOf(conversion.conversion)) {
        case ArgClass::Signed:
            appendPrintf(out, rebuild(conversion, width, precision, "ll"),
                         narrowSigned(arg.asSigned(), conversion.length));
            break;
        case ArgClass::Unsigned:
            appendPrintf(out, rebuild(conversion, width, precision, "ll"),
                         narrowUnsigned(arg.asUnsigned(), conversion.length));
            break;
        case ArgClass::Char: {
            const auto c = static_cast<unsigned char>(arg.asSigned());
            if (c != 0) {
                appendPrintf(out, rebuild(conversion, width, precision, ""), static_cast<int>(c));
            }
            break;
        }
        case ArgClass::String: {
            const std::string text = arg.asString();
            appendPrintf(out, rebuild(conversion, width, precision, ""), text.c_str());
            break;
        }
        case ArgClass::Floating:
            appendPrintf(out, rebuild(conversion, width, precision, "L"), arg.asFloating());
            break;
        case ArgClass::Pointer:
            appendPrintf(out, rebuild(conversion, width, precision, ""), arg.asPointer());
            break;
    }
}

}  // namespace

long long FormatArg::asSigned() const {
    switch (kind_) {
        case Kind::Signed:
            return signed_;
        case Kind::Unsigned:
            return static_cast<long long>(unsigned_);
        case Kind::Floating:
            return clampFloating<long long>(floating_);
        default:
            return 0;
    }
}

unsigned long long FormatArg::asUnsigned() const {
    switch (kind_) {
        case Kind::Signed:
            return static_cast<unsigned long long>(signed_);
        case Kind::Unsigned:
            return unsigned_;
        case Kind::Floating:
            return floating_ < 0
                       ? static_cast<unsigned long long>(clampFloating<long long>(floating_))
                       : clampFloating<unsigned long long>(floating_);
        case Kind::Pointer:
            return reinterpret_cast<std::uintptr_t>(pointer_);
        default:
            return 0;
    }
}

long double FormatArg::asFloating() const {
    switch (kind_) {
        case Kind::Signed:
            return static_cast<long double>(signed_);
        case Kind::Unsigned:
            return static_cast<long double>(unsigned_);
        case Kind::Floating:
            return floating_;
        default:
            return 0;
    }
}

std::string FormatArg::asString() const {
    switch (kind_) {
        case Kind::String:
            return string_;
        case Kind::Signed:
            return std::to_string(signed_);
        case Kind::Unsigned:
            return std::to_string(unsigned_);
        case Kind::Floating:
            return std::to_string(static_cast<double>(floating_));
        default:
            return {};
    }
}

std::optional<std::vector<ConversionSpec>> parseConversions(std::string_view format) {
    std::vector<ConversionSpec> specs;
    std::size_t i = 0;
    while (i < format.size()) {
        if (format[i] != '%') {
            ++i;
            continue;
        }
        if (i + 1 < format.size() && format[i + 1] == '%') {
            i += 2;
            continue;
        }
        ConversionSpec conversion;
        if (!readSpec(format, i, conversion)) {
            return std::nullopt;
        }
        i = conversion.end;
        specs.push_back(std::move(conversion));
    }
    return specs;
}

bool conversionsMatch(std::string_view translated, std::string_view english) {
    const auto ours = parseConversions(translated);
    const auto theirs = parseConversions(english);
    if (!ours || !theirs || ours->size() != theirs->size()) {
        return false;
    }
    for (std::size_t i = 0; i < ours->size(); ++i) {
        const auto& a = (*ours)[i];
        const auto& b = (*theirs)[i];
        const bool sameType =
            classOf(a.conversion) == classOf(b.conversion) && a.length == b.length;
        const bool sameStars =
            (a.width == -2) == (b.width == -2) && (a.precision == -2) == (b.precision == -2);
        if (!sameType || !sameStars) {
            return false;
        }
    }
    return true;
}

std::string formatChecked(std::string_view format, std::span<const FormatArg> args) {
    std::string out;
    std::size_t next = 0;
    const auto takeInt = [&]() -> int {
        if (next >= args.size()) {
            return -1;
        }
        const long long value = args[next++].asSigned();
        if (value < 0) {
            return -1;
        }
        return value > kMaxWidthOrPrecision ? kMaxWidthOrPrecision : static_cast<int>(value);
    };
    std::size_t i = 0;
    while (i < format.size()) {
        const std::size_t percent = format.find('%', i);
        if (percent == std::string_view::npos) {
            out.append(format.substr(i));
            break;
        }
        out.append(format.substr(i, percent - i));
        if (percent + 1 < format.size() && format[percent + 1] == '%') {
            out += '%';
            i = percent + 2;
            continue;
        }
        ConversionSpec conversion;
        if (!readSpec(format, percent, conversion)) {
            out += '%';
            i = percent + 1;
            continue;
        }
        i = conversion.end;
        const int width = conversion.width == -2 ? takeInt() : conversion.width;
        const int precision = conversion.precision == -2 ? takeInt() : conversion.precision;
        if (next >= args.size()) {
            continue;
        }
        appendConversion(out, conversion, width, precision, args[next++]);
    }
    return out;
}

std::string formatLocalized(std::string_view translated, std::string_view english,
                            std::span<const FormatArg> args) {
    return formatChecked(conversionsMatch(translated, english) ? translated : english, args);
}

}  // namespace ps
