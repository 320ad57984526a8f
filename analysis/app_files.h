// Where the application's files lie: beside the program, in the current
// directory that start-up made the program's directory, or in the user's
// configuration folder for an installed program (see settings_location.h).
#pragma once

#include <string>

#include "analysis/host_table.h"
#include "analysis/sources/holdings_source.h"

namespace qinghe::app {

// `path` with a backslash appended unless it ends in one; a new text. The
// file layer takes a backslash as a directory separator.
char* with_trailing_backslash(const char* path);
// The program's file `name` to read: the current directory joined with
// `name`, or the file settings_file_to_read chooses; a new text.
char* program_file_path(const char* name);
// The program's file `name` to write: as program_file_path, or the file
// settings_file_to_write prepares; a new text.
char* writable_program_file_path(const char* name);
// The fund site's base URL: the setting 基金网址 when it is an http or https
// URL ending in "/", else the built-in default; a new text.
char* fund_site_base_url();
// Downloads at once in a run: the setting 同时下载, 4 when it is missing or
// not a whole number, else clamped to 1..8.
int parallel_download_setting();
// The base URL of every host of the table (host_table.h): its setting when
// that is an http or https URL ending in "/", else its built-in one.
HostBases host_settings();
// The sources of a run: the order 持仓来源 (names separated by ","; unknown
// names skipped, none known: 页面,档案,移动) and the base URLs of the page,
// archive and mobile hosts, of host_settings() or of `bases`.
SourceSettings source_settings();
SourceSettings source_settings(const HostBases& bases);
// The order of the quote sources as set (行情来源, UTF-8; empty when missing).
std::string quote_source_setting();
// The base URL of the published net values: the setting 净值网址 when an
// http or https URL ending in "/", else the site's.
std::string net_value_base_setting();
// The user agent every request sends: the setting 浏览器标识 when it is
// printable ASCII, else the reader's own.
std::string user_agent_setting();
// The user agent given to every read that follows.
void use_user_agent(const std::string& user_agent);
// The whole-transfer limit of a download in seconds: the setting 下载超时,
// 120 when it is missing or not a whole number, else clamped to 5..600.
int download_timeout_setting();
// A number setting's text (GBK, null when missing): `fallback` for anything
// but a whole number, else brought into min..max. A setting file is not a
// command line: a value out of bounds is clamped, not refused.
int whole_number_setting(const char* text, int fallback, int min, int max);
// Whether runs ask nothing of the network and analyse every code from the
// history: the setting 离线 is "1".
bool offline_setting();

}  // namespace qinghe::app
