// The missing-tag dialog's rules: which answers are missing, the message that names them, and
// how a complete answer goes into the tag component. Portable; TagFormCode wires them to the
// dialog's controls.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "player/MP3Tag.h"

struct TTagAnswer {
    std::string title, artist, album; // as typed
    int genreIndex = -1;              // index into the pick list; -1 when none is selected
};

// The genre number of a pick-list index; 0 ("Blues") when nothing is selected.
std::uint8_t GenreOfPick(const std::vector<TGenreItem>& pickList, int index);

// Empty when title, artist and album each hold more than blanks and control characters;
// otherwise "Please enter :" followed, for each missing one in that order, by CR LF and
// "the track title", "the artist name" or "the album title".
std::string MissingTagMessage(const TTagAnswer& answer);

// Puts a complete answer into the tag: the three texts as typed (the component cuts them to 30
// characters) and the genre. Year and comment stay; nothing is written to the file.
void ApplyTagAnswer(TMP3Tag& tag, const TTagAnswer& answer, const std::vector<TGenreItem>& pickList);

// The web site the look-up buttons open.
constexpr const char* kCddbHomePage = "http://www.cddb.com/";
