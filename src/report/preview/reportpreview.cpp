#include "report/preview/reportpreview.h"

#include "platform/cp1252.h"
#include "report/exportfilter.h"
#include "report/preparedfile.h"
#include "report/preview/previewform.h"
#include "report/report.h"

#include <QFileDialog>
#include <QStringList>

#include <memory>

namespace marlune::report::preview {

void ShowReportPreview(Report& report, PreparedPages pages, const std::string& caption,
                       QWidget* parent, const PrintCommand& print)
{
    PreviewOptions options;
    options.caption = caption;
    options.initialZoom = report.InitialZoom;
    options.buttons = report.PreviewButtons;
    options.modal = report.ModalPreview;
    // The printers the report was last attached to: asking the system here
    // could wait for a silent print server.
    options.printersAvailable = [&report] { return report.Printer().BuiltInIndex() > 0; };
    auto preview = std::make_unique<PreviewForm>(std::move(pages), options, parent);
    preview->OnSave = [&report](PreviewForm& form) { SavePreviewPages(report, form); };
    preview->OnLoad = [&report](PreviewForm& form) { LoadPreviewPages(report, form); };
    if (print) {
        preview->OnPrint = [&report, print, form = preview.get()](const PreparedPages& shown,
                                                                  int currentPage) {
            return print(report, shown, currentPage, form);
        };
    }
    // Modal: Show returns when the window has closed. Otherwise the window
    // frees itself when it closes.
    preview->Show();
    if (!options.modal) {
        preview.release();
    }
}

void SavePreviewPages(Report& report, PreviewForm& preview)
{
    QStringList filters;
    for (const std::string& text : SaveFilterTexts()) {
        filters << platform::ToQString(text);
    }
    QString chosen = filters.front();
    const QString name = QFileDialog::getSaveFileName(&preview, QString(), QString(),
                                                      filters.join(QStringLiteral(";;")), &chosen);
    if (name.isEmpty()) {
        return;
    }
    SaveThroughFilter(static_cast<int>(filters.indexOf(chosen)), preview.Pages(), report.Printer(),
                      platform::FromQString(name));
}

void LoadPreviewPages(Report& report, PreviewForm& preview)
{
    const QString filter =
        platform::ToQString(FilterText(kReportFileDescription, kReportFileExtension));
    const QString name = QFileDialog::getOpenFileName(&preview, QString(), QString(), filter);
    if (name.isEmpty()) {
        return;
    }
    // Read whole before anything changes: a damaged file leaves the preview
    // showing what it showed.
    PreparedPages pages =
        LoadPreparedFile(platform::FromQString(name), report.Printer(), report.PrintToDefault);
    report.CanRebuild = false;
    preview.SetPages(std::move(pages));
}

} // namespace marlune::report::preview
