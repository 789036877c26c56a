// The four export dialogs: each writes one result grid as the report kind its checked radio
// button names, to a file the user chooses. They are built once at start-up and only hidden
// when closed, so the choice, the check box and the last file names stay for the next opening.
#pragma once

#include <QDateTime>
#include <QDialog>
#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "controls/dialogs.h"
#include "controls/widgets.h"
#include "export/reports.h"

class QFrame;
class QRadioButton;

namespace orv {

class TBatchPingPage;
class TConnectionMonitorPage;
class TCountryLookupPage;
class TIpToDomainPage;
class TToolPage;

namespace ui {
class TStringGrid;
}

// Every cell of `grid` as the bytes it came as, its last (empty) row included, with the
// page's row marks.
report::GridSnapshot SnapshotOf(const ui::TStringGrid& grid);

class TExportDialog : public QDialog {
    Q_OBJECT
  public:
    struct Kind {
        const char* name;     // the radio button's name
        const char* caption;  // exact, blanks included
        report::Report report;
    };

    ui::TLabel* Label1;
    QFrame* Panel1;
    std::vector<QRadioButton*> RadioButtons;  // in the panel's order
    ui::TCheckBox* CheckBox1;                 // open the file once written
    ui::TButton* Button1;                     // Export
    ui::TButton* Button2;                     // Close
    // The save dialogs of the text and the HTML kinds; each keeps its last file name.
    ui::FileDialogSpec SaveDialog1;
    ui::FileDialogSpec SaveDialog2;

    // Makes the file's bytes; tests put a recorder in place of the report writers.
    std::function<std::string(report::Report, const report::GridSnapshot&, int, const std::string&)>
        Writer = &report::Write;
    // The clock of the creation line.
    std::function<QDateTime()> Now = [] { return QDateTime::currentDateTime(); };

    // The report of the checked radio button.
    report::Report CheckedReport() const;
    // The file a name chosen in the save dialog is written as.
    virtual QString TargetName(const QString& chosen, bool html) const;

    void Button1Click();
    void Button2Click();

  protected:
    TExportDialog(TToolPage* page, const char* formName, int width, int height,
                  const std::vector<Kind>& kinds, QWidget* parent);

    // The grid as it is now, each cell as the bytes it came from.
    virtual report::GridSnapshot Snapshot() const = 0;
    // The echo count of the last ping run (only the ping lists use it).
    virtual int PingCount() const { return 0; }

  private:
    // Writes report `kind` as `path`; false (after the error box) when the file was not written.
    bool WriteReport(report::Report kind, const QString& path);

    TToolPage* page_;
    std::vector<report::Report> reports_;
};

class Tping_export final : public TExportDialog {
    Q_OBJECT
  public:
    explicit Tping_export(TBatchPingPage* page, QWidget* parent = nullptr);

  protected:
    report::GridSnapshot Snapshot() const override;
    int PingCount() const override;

  private:
    TBatchPingPage* page_;
};

class Tnametoip_export final : public TExportDialog {
    Q_OBJECT
  public:
    explicit Tnametoip_export(TIpToDomainPage* page, QWidget* parent = nullptr);

  protected:
    report::GridSnapshot Snapshot() const override;

  private:
    TIpToDomainPage* page_;
};

class Tcountry_export final : public TExportDialog {
    Q_OBJECT
  public:
    explicit Tcountry_export(TCountryLookupPage* page, QWidget* parent = nullptr);

  protected:
    report::GridSnapshot Snapshot() const override;

  private:
    TCountryLookupPage* page_;
};

class Tmonitor_export final : public TExportDialog {
    Q_OBJECT
  public:
    explicit Tmonitor_export(TConnectionMonitorPage* page, QWidget* parent = nullptr);

    // The name as the save dialog gives it: its default extension is "txt".
    QString TargetName(const QString& chosen, bool html) const override;

  protected:
    report::GridSnapshot Snapshot() const override;

  private:
    TConnectionMonitorPage* page_;
};

}  // namespace orv
