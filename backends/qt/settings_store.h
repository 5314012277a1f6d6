#pragma once
// The reader's settings on disk: one INI file for the user, a group for each part of nev that
// keeps something ([window], [windows] of each story, [reading], [stories]).

#include <string>

#include "shell/reader_settings.h"

// $XDG_CONFIG_HOME/nev/nev.conf, else ~/.config/nev/nev.conf.
std::string settingsFilePath();

// What the reader left; the defaults where nothing was saved. A damaged file costs the values
// it spoils and one warning line, nothing more.
ReaderSettings loadReaderSettings();

// Replaces the settings file with a complete one; keys of other parts of nev are kept. False,
// after one warning line, when it cannot be written.
bool saveReaderSettings(const ReaderSettings& settings);
