#include "app/export_dialogs.h"

#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

#include "app/fonts.h"
#include "app/page_country.h"
#include "app/page_iptodomain.h"
#include "app/page_monitor.h"
#include "app/page_ping.h"
#include "app/text_export.h"
#include "controls/datetime.h"
#include "controls/stringgrid.h"
#include "platform/shell.h"
#include "platform/whole_file.h"

namespace orv {

namespace {
const QString kTextFilter = QStringLiteral("*.txt|*.txt");
const QString kHtmlFilter = QStringLiteral("*.htm|*.htm");

std::string LocalPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}
}  // namespace

report::GridSnapshot SnapshotOf(const ui::TStringGrid& grid) {
    std::vector<std::vector<std::string>> rows(static_cast<std::size_t>(grid.RowCount()));
    std::vector<bool> marked(static_cast<std::size_t>(grid.RowCount()));
    const int cols = grid.ColCount();
    for (int r = 0; r < grid.RowCount(); ++r) {
        auto& row = rows[static_cast<std::size_t>(r)];
        row.reserve(static_cast<std::size_t>(cols));
        for (int c = 0; c < cols; ++c)
            row.push_back(grid.CellBytes(c, r).toStdString());
        marked[static_cast<std::size_t>(r)] = grid.Model().RowMark(r);
    }
    return report::GridSnapshot(std::move(rows), std::move(marked));
}

TExportDialog::TExportDialog(TToolPage* page, const char* formName, int width, int height,
                             const std::vector<Kind>& kinds, QWidget* parent)
    : QDialog(parent), page_(page) {
    setObjectName(formName);
    setWindowTitle(QStringLiteral("Choose"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFont(WindowFont());

    Label1 = new ui::TLabel(QStringLiteral("Choose the type of the export file"));
    Label1->setObjectName("Label1");
    Panel1 = new QFrame;
    Panel1->setObjectName("Panel1");
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto* radios = new QVBoxLayout(Panel1);
    for (const Kind& k : kinds) {
        auto* b = new QRadioButton(QString::fromLatin1(k.caption), Panel1);
        b->setObjectName(k.name);
        radios->addWidget(b);
        RadioButtons.push_back(b);
        reports_.push_back(k.report);
    }
    RadioButtons.front()->setChecked(true);
    CheckBox1 = new ui::TCheckBox(QStringLiteral("Open the export file"));
    CheckBox1->setObjectName("CheckBox1");
    Button1 = new ui::TButton(QStringLiteral("Export"));
    Button1->setObjectName("Button1");
    Button2 = new ui::TButton(QStringLiteral("Close"));
    Button2->setObjectName("Button2");

    auto* col = new QVBoxLayout(this);
    col->setContentsMargins(10, 8, 10, 8);
    col->addWidget(Label1);
    col->addWidget(Panel1, 1);
    col->addWidget(CheckBox1);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(Button1);
    row->addWidget(Button2);
    col->addLayout(row);
    setTabOrder(RadioButtons.back(), CheckBox1);
    setTabOrder(CheckBox1, Button1);
    setTabOrder(Button1, Button2);

    SaveDialog1.filter = kTextFilter;
    SaveDialog2.filter = kHtmlFilter;

    Button1->OnClick = [this] { Button1Click(); };
    Button2->OnClick = [this] { Button2Click(); };

    // The classic size, or more where a caption would be cut in the dialog's font.
    const QSize need = sizeHint();
    setFixedSize(std::max(width, need.width()), std::max(height, need.height()));
    if (QScreen* s = QGuiApplication::primaryScreen())
        move(s->availableGeometry().center() - rect().center());
}

report::Report TExportDialog::CheckedReport() const {
    for (std::size_t i = 0; i < RadioButtons.size(); ++i)
        if (RadioButtons[i]->isChecked())
            return reports_[i];
    return reports_.front();
}

QString TExportDialog::TargetName(const QString& chosen, bool html) const {
    const QString ext = html ? QStringLiteral(".htm") : QStringLiteral(".txt");
    return chosen.endsWith(ext, Qt::CaseInsensitive) ? chosen : chosen + ext;
}

void TExportDialog::Button1Click() {
    const report::Report kind = CheckedReport();
    const bool html = report::IsHtml(kind);
    ui::FileDialogSpec& spec = html ? SaveDialog2 : SaveDialog1;
    ui::Dialogs& dialogs = page_->Context().Dialogs();
    // The question is about the file that will really be written; it never keeps the save
    // dialog open: No ends the export.
    bool refused = false;
    std::optional<QString> chosen = dialogs.SaveFile(this, spec, [&](const QString& name) {
        // A folder is no report to replace: the write below says it cannot be written.
        const QFileInfo target(TargetName(name, html));
        refused = target.exists() && !target.isDir() && !dialogs.Confirm(this, kReplaceQuestion);
        return true;
    });
    if (!chosen)
        return;
    spec.fileName = *chosen;
    if (refused)
        return;
    WriteReport(kind, TargetName(*chosen, html));
}

void TExportDialog::Button2Click() {
    reject();
}

bool TExportDialog::WriteReport(report::Report kind, const QString& path) {
    // The grid is read now, after the save dialog: rows added while it was open are included.
    const std::string created = ui::DateTimeToStr(Now()).toStdString();
    const std::string bytes = Writer(kind, Snapshot(), PingCount(), created);
    if (const int err = WriteWholeFile(LocalPath(path), bytes)) {
        page_->Context().Dialogs().ErrorBox(this, QString::fromStdString(FileErrorText(err)));
        return false;
    }
    // The file is closed and in place before anything else opens it.
    if (CheckBox1->isChecked())
        ShellOpen(LocalPath(path));
    return true;
}

Tping_export::Tping_export(TBatchPingPage* page, QWidget* parent)
    : TExportDialog(page, "ping_export", 334, 228,
                    {
                        {"RadioButton1", "The Running  IP Addresses List (*.txt)",
                         report::Report::PingRunningList},
                        {"RadioButton2", " Non-Running IP Addresses List (*.txt)",
                         report::Report::PingNonRunningList},
                        {"RadioButton3", "All Records of the Running IP Addresses (*.htm) ",
                         report::Report::PingRunningHtml},
                        {"RadioButton4", "All Records of Non-Running IP Addresses (*.htm)",
                         report::Report::PingNonRunningHtml},
                        {"RadioButton5", "All Records of all the IP Addresses (*.htm)",
                         report::Report::PingAllHtml},
                    },
                    parent),
      page_(page) {}

report::GridSnapshot Tping_export::Snapshot() const {
    return SnapshotOf(*page_->StringGrid1);
}

int Tping_export::PingCount() const {
    return page_->ping_count;
}

Tnametoip_export::Tnametoip_export(TIpToDomainPage* page, QWidget* parent)
    : TExportDialog(page, "nametoip_export", 353, 199,
                    {
                        {"RadioButton1", "The Running IP Addresses List (*.txt)",
                         report::Report::NameToIpAddressList},
                        {"RadioButton2", "The Running Domain / Host Names List (*.txt)",
                         report::Report::NameToIpNameList},
                        {"RadioButton3", "The Running IP Address and Domain / Host Names (*.htm)",
                         report::Report::NameToIpRunningHtml},
                        {"RadioButton4", "All the IP Addresses and Domain / Host Names (*.htm) ",
                         report::Report::NameToIpAllHtml},
                    },
                    parent),
      page_(page) {}

report::GridSnapshot Tnametoip_export::Snapshot() const {
    return SnapshotOf(*page_->StringGrid2);
}

Tcountry_export::Tcountry_export(TCountryLookupPage* page, QWidget* parent)
    : TExportDialog(
          page, "country_export", 341, 155,
          {
              {"RadioButton3", "Lookup Successfully (*.htm)", report::Report::CountrySuccessHtml},
              {"RadioButton4", "All the Domain Names/IP Addresses and Countries (*.htm) ",
               report::Report::CountryAllHtml},
          },
          parent),
      page_(page) {}

report::GridSnapshot Tcountry_export::Snapshot() const {
    return SnapshotOf(*page_->StringGrid3);
}

Tmonitor_export::Tmonitor_export(TConnectionMonitorPage* page, QWidget* parent)
    : TExportDialog(page, "monitor_export", 248, 164,
                    {
                        {"RadioButton3", "The TCP Connection History (*.txt)",
                         report::Report::MonitorHistory},
                    },
                    parent),
      page_(page) {
    SaveDialog1.defaultExt = QStringLiteral("txt");
}

QString Tmonitor_export::TargetName(const QString& chosen, bool) const {
    return chosen;
}

report::GridSnapshot Tmonitor_export::Snapshot() const {
    return SnapshotOf(*page_->sgConnHist);
}

}  // namespace orv
