#pragma once
// The Windows side of the two kinds of names (util/names.h): converting to and
// from UTF-16, joining texts of either kind, and the spellable stand-ins that
// plug-ins with only ANSI exports get for a name the code page cannot spell.

#include <windows.h>

#include <string>
#include <vector>

#include "util/names.h"

// The UTF-16 of a name of either kind.
std::wstring WideOf(const std::string& name);
// A name the system gave in UTF-16: the code page's bytes when they turn back
// into exactly this name, else marked UTF-8.
std::string NameOfWide(const wchar_t* wide, size_t length);
std::string NameOfWide(const std::wstring& wide);
std::string NameOfWide16(const std::u16string& wide);
// A name as NameOfWide would give it: marked text the code page can spell
// (the file part of a path whose folder it cannot) becomes its bytes.
std::string PlainestName(const std::string& name);
// a followed by b, as code-page text when both are, else as marked text.
std::string JoinText(const std::string& a, const std::string& b);

// The program file's full path, and the command line's arguments after the
// program's name, as names: taken in UTF-16, so that a name the code page
// cannot spell arrives whole.
std::string ProgramPath();
std::vector<std::string> ProgramArguments();

// The short (8.3) form of an existing file's path when the volume gives one
// that the code page can spell; empty otherwise.
std::string SpellableShortPath(const std::string& path);
// Replaces the system's short names (tests stand in a volume that has none);
// returns the previous replacement, null for the system's own.
using ShortPathSource = std::string (*)(const std::string& path);
ShortPathSource SetShortPathSource(ShortPathSource source);
// The name with every character the code page cannot spell replaced by "_":
// same length in characters, same extension when the extension is spellable.
std::string SpellableStandIn(const std::string& name);
