// 导出…: the result list as shown, with the last run's funds, written by
// the writers of qinghe-analyse --format to a file chosen in a save
// dialog, through a temporary file and a rename.
#pragma once

#include <optional>
#include <string>

#include "analysis/output/analysis_output.h"

class QWidget;

namespace qinghe::app {

// The format a file name asks for by its extension (.csv, .json, .tsv,
// any letter case); none for another or no extension.
std::optional<OutputFormat> format_of_file_name(const std::string& path);

// Writes the list and the run's funds to `path` (a file system path) in
// `format`. On failure nothing is written and `error` names the file and
// the reason.
bool export_results(const std::string& path, OutputFormat format, std::string& error);

// export_results; a failure is shown in a message box over `parent`.
void export_results_to(QWidget* parent, const std::string& path, OutputFormat format);

// Asks for the file (the format by its extension, else by the chosen
// filter), then export_results_to.
void export_results_with_dialog(QWidget* parent);

}  // namespace qinghe::app
