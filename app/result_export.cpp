#include "app/result_export.h"

#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QStandardPaths>
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <mutex>

#include "analysis/code_line.h"
#include "app/program_state.h"
#include "platform/file_names.h"
#include "platform/output_file.h"

namespace qinghe::app {
namespace {

struct Kind {
    OutputFormat format;
    const char* extension;
    const char* filter;  // UTF-8
};

constexpr Kind kKinds[] = {
    {OutputFormat::csv, "csv", "CSV 表格 (*.csv)"},
    {OutputFormat::json, "json", "JSON 文档 (*.json)"},
    {OutputFormat::tsv, "tsv", "制表符分隔文本 (*.tsv)"},
};

// Where the dialog opens: the folder of the last export, at first the
// documents folder.
QString& export_folder() {
    static QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return folder;
}

}  // namespace

std::optional<OutputFormat> format_of_file_name(const std::string& path) {
    std::string extension = platform::utf8_path(platform::native_path(path).extension());
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    for (const Kind& kind : kKinds)
        if (extension == std::string(".") + kind.extension) return kind.format;
    return std::nullopt;
}

bool export_results(const std::string& path, OutputFormat format, std::string& error) {
    std::string text;
    {
        std::lock_guard lock(result_list_lock());
        if (!result_list_alive()) {
            error = "cannot write '" + path + "': the program is ending";
            return false;
        }
        // The list's order is the one shown: the rows mirror it.
        text = format_result(analysis_result(run_reports(), result_list(),
                                             fund_amounts(run_reports()), SortKey::as_given),
                             format);
    }
    return platform::write_output_file(path, text, error);
}

void export_results_to(QWidget* parent, const std::string& path, OutputFormat format) {
    std::string error;
    if (export_results(path, format, error)) return;
    QMessageBox box(
        QMessageBox::Warning, QString::fromUtf8("导出失败"),
        QString::fromUtf8("未能导出到 %1,没有写入任何内容。").arg(QFile::decodeName(path.c_str())),
        QMessageBox::Ok, parent);
    box.setInformativeText(QString::fromUtf8("原因: ") + QString::fromStdString(error));
    box.exec();
}

void export_results_with_dialog(QWidget* parent) {
    QFileDialog dialog(parent, QString::fromUtf8("导出结果"), export_folder());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    QStringList filters;
    for (const Kind& kind : kKinds) filters << QString::fromUtf8(kind.filter);
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(kKinds[0].extension);
    dialog.selectFile(QString::fromUtf8("基金持仓.csv"));
    // A name typed without an extension gets the chosen filter's.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString& filter) {
        const auto at = filters.indexOf(filter);
        if (at >= 0) dialog.setDefaultSuffix(kKinds[at].extension);
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    const QString chosen = dialog.selectedFiles().first();
    export_folder() = QFileInfo(chosen).absolutePath();
    const std::string path = QFile::encodeName(chosen).toStdString();
    const auto filter = filters.indexOf(dialog.selectedNameFilter());
    const OutputFormat format =
        format_of_file_name(path).value_or(kKinds[std::max<qsizetype>(filter, 0)].format);
    export_results_to(parent, path, format);
}

}  // namespace qinghe::app
