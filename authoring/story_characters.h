#pragma once
// The characters a story can make the player draw: what a font cut for the story must keep.

#include <set>
#include <string>
#include <vector>

class StoryFiles;

// Every character of the scripts named (plain .txt, scrambled .stx, read as the player reads
// them), every glyph the player draws on its own (the click wait's marker) and printable ASCII.
// The text is cut into two-byte units at every offset, as a line or a choice item may begin
// anywhere, so whatever pair the player draws is among them.
std::set<char32_t> charactersStoryDraws(const StoryFiles& files,
                                        const std::vector<std::string>& scriptNames);

// Whether a story file name is a script's: .txt or .stx, in any case.
bool isScriptName(const std::string& name);
