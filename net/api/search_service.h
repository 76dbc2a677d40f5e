#pragma once

#include "dispatch_table.h"

#include "qellib/variant.h"

#include <string_view>

// Searches between nodes: SEARCH asks every node whether its name, or which
// of its shared files' names, contain a text (a search pattern, see
// search_pattern.h, matched without regard to ASCII case); SEARCHMATCH
// answers with the "Results" array, which the asking node's pending search
// collects. A search text that is not a valid pattern gets no answer.
namespace qel {

struct Session;
class SearchPattern;

// The shared files whose names match, as "\" + path from the root of the
// shares ("\docs\notes.txt"; with several shares "\Share\sub\file"). Folders
// never match. The walk streams the matches, enters each real folder once,
// lets events run, and ends at the answers one search may give or at the
// library's search bounds, with what it found by then.
StringArray matchingSharedFiles(const Session& own, const SearchPattern& pattern);

// Adds SEARCH and SEARCHMATCH to the methods the nodes answer.
void addSearchMethods(DispatchTable& table);

}  // namespace qel
