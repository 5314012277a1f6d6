#pragma once
// Finding the General MIDI SoundFont that MIDI music plays with.

#include <optional>
#include <string>
#include <vector>

// Why a file cannot serve as a SoundFont ("no such file", "not a SoundFont", ...), or nothing
// when it can.
std::optional<std::string> soundFontFault(const std::string& path);
// The SoundFont to play MIDI with: `chosen` (the NEV_SOUNDFONT setting) when it names one;
// else FluidR3_GM, then TimGM6mb, then any other .sf2 or .sf3 file in `folders`.
std::optional<std::string> findSoundFont(const char* chosen,
                                         const std::vector<std::string>& folders);
// Where Debian's SoundFont packages put their files.
std::vector<std::string> standardSoundFontFolders();
