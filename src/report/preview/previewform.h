#pragma once

#include "report/preparedpages.h"
#include "report/printoutcome.h"
#include "report/previewkinds.h"
#include "report/preview/previewlayout.h"
#include "report/preview/previewsearch.h"

#include <QDialog>

#include <functional>
#include <optional>
#include <string>

class QActionGroup;
class QLabel;
class QMenu;
class QPushButton;
class QScrollBar;

// The preview window: the prepared pages as white sheets on a grey area at
// a chosen zoom, with paging, a zoom menu, text search, and hooks for
// printing and for saving and loading prepared reports.
namespace marlune::report::preview {

class PageBox;
class ToolBarButton;

struct PreviewOptions {
    std::string caption = "Preview"; // Windows-1252
    PreviewZoom initialZoom = pzDefault;
    PreviewButtons buttons = kAllPreviewButtons;
    bool modal = true;
    // Whether the system has a printer; unset, QPrinterInfo is asked.
    std::function<bool()> printersAvailable;
};

// The zoom of the last preview, for the next one (process-wide).
struct ZoomMemory {
    double factor = 1.0;
    ZoomMode mode = ZoomMode::Fixed;
};
ZoomMemory& PreviewZoomMemory();

class PreviewForm : public QDialog {
    Q_OBJECT
public:
    // Takes over the pages; the window holds them until it is freed.
    PreviewForm(PreparedPages pages, PreviewOptions options, QWidget* parent = nullptr);
    ~PreviewForm() override;

    // Opens the window maximised. Modal: returns when it has been closed.
    // Otherwise returns at once, and the window frees itself when closed
    // (so it must have been made with new).
    void Show();

    // The print command (print button, Ctrl+P): called only when there are
    // pages and the system has a printer, with the window's pages to read
    // and its current page (from 1). Pages it returns (built anew for
    // another printer) replace the window's. After a print the window starts
    // again at page 1, as after SetPages; a cancelled one leaves it as it was.
    std::function<PrintOutcome(const PreparedPages& pages, int currentPage)> OnPrint;
    // Ctrl+S and Ctrl+O: called only when there are pages. Saving reads
    // Pages(); loading hands the pages it read to SetPages.
    std::function<void(PreviewForm&)> OnSave;
    std::function<void(PreviewForm&)> OnLoad;

    PreparedPages& Pages() { return pages_; }
    const PreparedPages& Pages() const { return pages_; }
    // Shows other pages from page 1, laid out and repainted.
    void SetPages(PreparedPages pages);
    // Zoom from the zoom memory, page 1, offsets 0, layout, every page
    // released, repaint.
    void InitializeView();

    int CurrentPage() const { return current_; } // 1-based; 0 without pages
    double Factor() const { return factor_; }
    ZoomMode Mode() const { return mode_; }
    int HorizontalOffset() const { return ofx_; }
    int VerticalOffset() const { return ofy_; }

    // As choosing a zoom menu item: one that fits the page area, or a fixed
    // percentage (200 … 10).
    void ChooseZoom(ZoomMode mode);
    void ChooseZoomPercent(int percent);
    // Makes `page` (1-based, kept within the pages) current and scrolls to it.
    void GoToPage(int page);
    // Searches as the "Find text" dialog's OK does; FindNext as F3.
    void FindText(const QString& text, bool caseSensitive, bool fromFirstPage);
    void FindNext();
    // The last match found, if any.
    const std::optional<SearchHit>& Match() const { return match_; }

    PageBox* PageArea() const { return pageBox_; }
    QMenu* ProcMenu() const { return procMenu_; }
    QScrollBar* VScrollBar() const { return vbar_; }
    QScrollBar* HScrollBar() const { return hbar_; }
    QString PageIndicator() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void BuildWindow();
    void BuildMenu();
    void ArrangeToolbar();
    void ArrangePanels();
    void LayOut();
    // Marks the pages on screen and releases the views of pages out of
    // reach; run whenever the layout or the scroll position changes.
    void UpdatePageViews();
    void UpdateIndicator();
    void ScrollTo(int vertical, std::optional<int> horizontal = std::nullopt);
    void VerticalScrolled(int value);
    void HorizontalScrolled(int value);
    void PaintPages(QPainter& painter, const QRegion& region);
    void PageAreaMouseDown(QMouseEvent* event);
    bool HandleKey(QKeyEvent* event);
    void PopupZoomMenu();
    void OpenSearchForm();
    void Print();
    // Page 1 of the pages, without a search match, laid out and repainted.
    void ShowFromStart();
    void Save();
    void Load();
    QRect ScreenRect(int index) const;

    PreparedPages pages_;
    PreviewOptions options_;

    int current_ = 0;
    int ofx_ = 0;
    int ofy_ = 0;
    double factor_ = 1.0;
    ZoomMode mode_ = ZoomMode::Fixed;
    void ApplyZoom(ZoomMode mode, int percent);
    bool paintingAllowed_ = false;
    // Set while the view scrolls to a chosen page, which then stays current.
    bool scrollingToPage_ = false;

    QString searchText_; // upper-cased without case sensitivity
    QString typedText_;
    bool caseSensitive_ = false;
    int resumePage_ = 0;
    int resumeRecord_ = 0;
    std::optional<SearchHit> match_;

    QWidget* topPanel_ = nullptr;
    QWidget* buttonRow_ = nullptr;
    ToolBarButton* zoomBtn_ = nullptr;
    ToolBarButton* loadBtn_ = nullptr;
    ToolBarButton* saveBtn_ = nullptr;
    ToolBarButton* printBtn_ = nullptr;
    ToolBarButton* findBtn_ = nullptr;
    ToolBarButton* helpBtn_ = nullptr;
    ToolBarButton* exitBtn_ = nullptr;
    QWidget* afterZoomSeparator_ = nullptr;
    QWidget* afterPrintSeparator_ = nullptr;
    QWidget* afterHelpSeparator_ = nullptr;
    QWidget* previewPanel_ = nullptr;
    PageBox* pageBox_ = nullptr;
    QWidget* rPanel_ = nullptr;
    QWidget* bPanel_ = nullptr;
    QWidget* pageBevel_ = nullptr;
    int bevel1Width_ = 0;
    QLabel* pageLabel_ = nullptr;
    QScrollBar* vbar_ = nullptr;
    QScrollBar* hbar_ = nullptr;
    QPushButton* pgUp_ = nullptr;
    QPushButton* pgDown_ = nullptr;
    QMenu* procMenu_ = nullptr;
    QActionGroup* zoomGroup_ = nullptr;
};

} // namespace marlune::report::preview
