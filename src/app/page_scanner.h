// The "Website Scanner" page: drives the scanner HttpScan1 from a start address, lists every
// link it reports in StringGrid4, shows the head of the last page received, and saves the
// found addresses as a text file.
#pragma once

#include <QGroupBox>
#include <QStringList>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/page_frame.h"
#include "app/scanner_control.h"
#include "controls/stringgrid.h"
#include "controls/widgets.h"
#include "scanner/crawler.h"

class QButtonGroup;
class QHBoxLayout;
class QDialog;
class QRadioButton;

namespace orv {

// A framed group of choices, one of them checked. OnClick runs when the user picks one (not
// when the program sets ItemIndex).
class TRadioGroup final : public QGroupBox {
    Q_OBJECT
  public:
    TRadioGroup(const QString& caption, const QStringList& items, int itemIndex,
                QWidget* parent = nullptr);
    int ItemIndex() const;
    void SetItemIndex(int i);
    int Count() const;
    QRadioButton* Button(int i) const;
    std::function<void()> OnClick;

  private:
    QButtonGroup* group_;
};

// What the main window's close question needs of the page's scanner.
class THttpScanControl final : public ScannerControl {
  public:
    explicit THttpScanControl(scan::THttpScan& scan) : scan_(scan) {}
    bool IsWorking() const override { return scan_.IsWorking(); }
    bool IsStopping() const override { return scan_.IsStopping(); }
    void ShutdownScan() override { scan_.ShutdownScan(); }

  private:
    scan::THttpScan& scan_;
};

class TWebsiteScannerPage final : public TToolPage {
    Q_OBJECT
  public:
    explicit TWebsiteScannerPage(PageContext& context, QWidget* parent = nullptr);
    ~TWebsiteScannerPage() override;

    void LayOutGrid() override;
    void PrefillFromBrowser(const BrowserPage& page) override;

    ui::TEdit* Edit111;  // start address without "http://"
    ui::TPopupMenu* pop_scanner;
    ui::TSpeedButton* button22;       // Start
    ui::TSpeedButton* button11;       // Stop
    ui::TSpeedButton* SpeedButton15;  // export
    ui::TSpeedButton* SpeedButton17;  // the address open in the web browser
    ui::TLabel* Label55;              // progress line
    TRadioGroup* RadioGroup2;         // "Page Scan": which links are followed
    TRadioGroup* RadioGroup3;         // "Links Type": which links are reported
    ui::TCheckBox* CheckBox5;         // "Filter"
    ui::TMemo* Memo11;                // the type filter, one type per line
    ui::TSpeedButton* SpeedButton16;  // filter help
    ui::TMemo* Memo222;               // head of the last page received
    ui::TStringGrid* StringGrid4;     // found links: type, address

    // The scanner, owned by the page; its settings are the stored ones of the main window.
    scan::THttpScan* HttpScan1;
    // Links reported in the current scan.
    std::int32_t LinkCount = 0;
    // The filter help window, shown modally by SpeedButton16 (set when the windows are built).
    QDialog* filter_help = nullptr;

    // The scanner as the close question sees it.
    ScannerControl& Control() { return control_; }

    // Handlers.
    void Button22Click();
    void Button11Click();
    // Send-to target: the box gets `address`; a scan in progress is stopped, and the new one
    // starts (once the old one has ended).
    void ScanSite(const QString& address);
    void HttpScan1LinkFound(const std::string& UrlFound, const std::string& TypeLink);
    void HttpScan1PageReceived(const std::string& Head);
    // A download that failed before its page came: the head box says which and why, where a
    // page's head would stand.
    void HttpScan1FetchFailed(const std::string& Url, const std::string& Reason);
    void HttpScan1Working(bool Working_);
    void RadioGroup2Click();
    void RadioGroup3Click();
    void CheckBox5Click();
    void Memo11Change();
    void SpeedButton16Click();
    void StringGrid4DblClick();
    void SpeedButton15Click();
    // Takes the page open in the web browser and runs the tool on it.
    void SpeedButton17Click();
    // Asked with the chosen name before the save dialog closes; false keeps it open.
    bool SaveDialog4CanClose(const QString& fileName);
    // The export's save dialog.
    ui::FileDialogSpec SaveDialog4{"*.txt|*.txt", "txt", {}, {}};
    // The progress line's spinner: the character shown last (0 before the first link).
    char SpinnerChar = 0;
    // The next character of the progress spinner: "/", "-", "\", "|", "/", ...
    char NextSpinnerChar();

    // What a double click on a row of this type and address hands to the shell: web and ftp
    // addresses as they are, mail links as "mailto:"; nothing for anything else.
    static std::optional<std::string> LinkToOpen(const QString& type, const QString& address);

    // True while a start asked for during a stop waits for the scanner to go idle.
    bool StartPending() const { return pendingStart_.has_value(); }

  private:
    // The parts of construction, in order.
    void ApplyStoredSettings();
    void ConnectScanner();        // the scanner's events and the hooks it needs of the window
    QHBoxLayout* BuildToolRow();  // address, Start, Stop, Export, browser
    QWidget* BuildSettingsRow();  // scope, report, type filter, the head of the last page
    void BuildLinkGrid();         // the progress line and the grid of found links
    void ConnectControls();

    void StartScanAt(const std::string& url);
    void RunPendingStart();
    // Puts the progress line of the last reported link on Label55.
    void ShowProgress();
    // Puts the head of the last page received (or the last failure) in Memo222.
    void ShowHead();

    THttpScanControl control_;
    std::optional<std::string> pendingStart_;
    std::optional<QString> progress_;         // the progress line not shown yet
    std::optional<std::string> pendingHead_;  // the head (or failure) not shown yet
    QTimer headTimer_;
    // Per row: its address came in as bytes that are not UTF-8 (one character per byte).
    std::vector<bool> addressLatin1_;
};

}  // namespace orv
