// Small string and number helpers over 8-bit text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#if defined(__GNUC__)
#define QV_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define QV_PRINTF(fmt, args)
#endif

// printf-style formatting into a std::string.
std::string Format(const char* fmt, ...) QV_PRINTF(1, 2);

// Decimal whole number, with optional blanks before it, an optional sign, and "$" or "0x" for hex.
// Anything else raises EConvertError "'<text>' is not a valid integer value".
int StrToInt(std::string_view s);
// As StrToInt, but returns def instead of raising.
int StrToIntDef(std::string_view s, int def);
std::string IntToStr(long long v);
// Upper-case hexadecimal, at least `digits` digits, zero-padded.
std::string IntToHex(unsigned long long v, int digits);

// Trimming removes blanks and control characters (every byte <= 0x20).
std::string Trim(std::string_view s);
std::string TrimLeft(std::string_view s);
std::string TrimRight(std::string_view s);

// ASCII-only case mapping: bytes outside a-z / A-Z stay as they are.
std::string UpperCase(std::string_view s);
std::string LowerCase(std::string_view s);
int CompareText(std::string_view a, std::string_view b); // ASCII case-insensitive, <0, 0, >0
bool SameText(std::string_view a, std::string_view b);

// File-name parts. The path ends at the last backslash or drive colon and keeps it ('/' is not a
// folder separator there: command lines use it for switches). The name and extension also start
// after a '/', which no file name can hold.
std::string ExtractFilePath(std::string_view name);
std::string ExtractFileName(std::string_view name);
std::string ExtractFileExt(std::string_view name);

// a * b / c rounded to the nearest whole number, halves away from zero, computed in 64 bits;
// -1 when c is 0. This is the platform's MulDiv contract: on Windows the platform's own function
// is used, elsewhere an equivalent.
#ifdef _WIN32
extern "C" __declspec(dllimport) int __stdcall MulDiv(int a, int b, int c);
#else
int MulDiv(int a, int b, int c);
#endif

// Every line break (CR, LF or CR LF) becomes CR LF, and the text ends at its first NUL byte, as a
// multi-line text box holds text.
std::string AdjustLineBreaks(std::string_view s);

// Replaces every occurrence of `from` by `to`.
std::string StringReplaceAll(std::string_view s, std::string_view from, std::string_view to);
