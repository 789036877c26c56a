// The "Whois" page: one WHOIS query for the domain in edDomain, to the default server or to the
// one in edit10, on a worker thread; the reply line by line in meResults, and its export.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "app/page_frame.h"
#include "controls/widgets.h"
#include "platform/whois.h"

namespace orv {

// Asked when no customized server is chosen; it answers for .com and .net domains.
inline constexpr const char* kDefaultWhoisServer = "whois.verisign-grs.com";
// The drop-down of edit10: the regional registries.
inline constexpr const char* kWhoisServerChoices[] = {"whois.ripe.net", "whois.arin.net",
                                                      "whois.apnic.net"};

// The reply box. It keeps every line as the server sent it, a CR before the LF included; the
// text box itself would take a CR for a line break, so the screen shows the lines without it.
class TReplyMemo final : public ui::TMemo {
  public:
    explicit TReplyMemo(QWidget* parent = nullptr) : ui::TMemo(parent) {}

    QStringList Lines() const { return lines_; }
    int LineCount() const { return static_cast<int>(lines_.size()); }
    void Add(const QString& line) { AddLines({line}); }
    void AddLines(const QStringList& lines);
    void SetLines(const QStringList& lines);
    void Clear();

  private:
    QStringList lines_;
};

class TWhoisPage final : public TToolPage {
    Q_OBJECT
  public:
    explicit TWhoisPage(QWidget* parent = nullptr);

    ui::TEdit* edDomain;
    ui::TPopupMenu* pop_whois;
    ui::TSpeedButton* whois_start_button;
    ui::TSpeedButton* button3;        // Stop
    ui::TSpeedButton* SpeedButton19;  // export
    ui::TSpeedButton* SpeedButton23;  // the domain open in the web browser
    ui::TLabel* state_label;          // "Working..." / "Done!"
    ui::TCheckBox* CheckBox7;
    ui::TComboBox* edit10;
    TReplyMemo* meResults;

    // How every query connects; tests point it at a server of their own.
    struct WhoisSettings {
        std::uint16_t port = net::WhoisClient::kDefaultPort;
        std::chrono::milliseconds idleTimeout = net::WhoisClient::kDefaultIdleTimeout;
        std::size_t maxReply = net::WhoisClient::kDefaultMaxReply;
    };
    WhoisSettings IdWhoisSettings;
    // The client of the query in progress, or of the last one.
    std::shared_ptr<net::WhoisClient> IdWhois;

    // Handlers.
    void whois_start_buttonClick();
    void whois_button_active();
    void Button3Click();
    // Enables the server box while the check box is checked.
    void CheckBox7Click();
    void SpeedButton19Click();
    // Asked with the chosen name before the save dialog closes; false keeps it open.
    bool SaveDialog1CanClose(const QString& fileName);

  private:
    void StopQuery();
};

}  // namespace orv
