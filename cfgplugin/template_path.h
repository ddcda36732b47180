// The copies of DriverConfig's texts and the module's registry template path, each in a
// fixed field: a text longer than its field is cut to fit, never written past it.
#pragma once

#include <cstddef>

namespace usb6093cfg {

// Where the host keeps each module's registry template, under its own directory.
inline constexpr char templateFolder[] = "Public\\Corvane\\Device_Drivers\\";
// The template's folder and file are named by this many first characters of the device name.
inline constexpr std::size_t templateNameLength = 7;

// Copies at most size - 1 characters of text (nullptr counts as empty) and ends the field.
void CopyField(char *field, std::size_t size, const char *text);

template <std::size_t N>
void CopyField(char (&field)[N], const char *text)
{
    CopyField(field, N, text);
}

// hostDirectory + templateFolder + name + "\" + name + ".reg", name being the first seven
// characters of the device name (all of a shorter one), cut to size - 1 characters.
void BuildTemplatePath(char *path, std::size_t size, const char *hostDirectory, const char *deviceName);

} // namespace usb6093cfg
