// The overlap matrix as qinghe-analyse --overlap writes it, UTF-8:
// TSV and CSV (RFC 4180, byte-order mark, CRLF) give two tables with a
// header row of codes and a first column of codes, the percentage points
// and then the numbers of common stocks, an empty line between; JSON one
// document with the funds, both matrices and every pair's common stocks.
#pragma once

#include <string>
#include <vector>

#include "analysis/output/analysis_output.h"
#include "analysis/fund_overlap.h"

namespace qinghe::app {

std::string format_overlap(const FundOverlap& overlap, const std::vector<FundReport>& reports,
                           OutputFormat format);

// Percentage points as the matrix shows them: two decimals ("10.07").
std::string overlap_points_text(double points);

}  // namespace qinghe::app
