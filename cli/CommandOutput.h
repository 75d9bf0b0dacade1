#pragma once
// What every road of kinetra-fit writes the same way: messages for a terminal, the "end"
// object of the JSON, and output files put in place only when whole.

#include <ostream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "base/Outcome.h"
#include "FitCommand.h"
#include "graphs/DisplayList.h"

namespace kinetra::cli {

// Texts for a terminal: the program's CR LF become plain line ends.
std::string forTerminal(std::string text);

// Where a data set's road ended, as the windows would show it: the message box's title, its
// message and the window that follows.
nlohmann::ordered_json endObject(const std::string& title, const std::string& message, bool toDataEntry);
nlohmann::ordered_json endObject(const Failure& f);

// "program": {"name", "version"}, in every JSON line.
nlohmann::ordered_json programObject();

// "settings": what re-runs a JSON line's result: `curves` (each "first-last" as --curve takes
// it, none for all points; left out when null), baseline and weighting; for a table's data
// sets also the columns (--columns as typed, or null); for a comparison the data files and
// the tables too.
enum class SettingsFor { DataFile, Table, Comparison };
nlohmann::ordered_json settingsObject(const FitOptions& options, SettingsFor what, nlohmann::ordered_json curves);

// Standard output that could not take everything written to it: the failure is said on
// standard error. Returns true when output was lost.
bool standardOutputLost(std::ostream& out, std::ostream& err);

// A CSV table, or a picture (PNG or PDF by the name's ending, SVG otherwise), written whole
// or not at all (a device or a pipe directly);
// a failure is said on `err`. Return the exit status: 0, or 1 when the file was not written.
int writeCsv(const std::string& path, const std::vector<std::vector<std::string>>& rows, std::ostream& err);
int writePictureFile(const std::string& path, const DisplayList& picture, std::ostream& err);

}  // namespace kinetra::cli
