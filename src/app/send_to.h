// Send-to: the popups on the tool pages' input boxes, lists and result grids offer the other
// tools. An item takes the text the user points at, makes the other tool's page active, puts
// the text into that tool's input box and starts the tool.
//
// Every item is one row of kSendToItems; the pages build their popups from it and the tests
// check it. What a target does is the target page's own public operation; the pages reach it
// through the SendTargets of their context, which the main window fills.
#pragma once

#include <QString>
#include <array>
#include <memory>
#include <optional>
#include <string>

#include "tasks/task_slot.h"
#include "tasks/worker.h"

class QWidget;

namespace orv {

struct PageContext;

namespace ui {
class TPopupMenu;
}

// What an item starts. The page, the input box and the operations of each are the target
// page's (see SendTargets::RunTarget).
enum class SendTarget {
    NameToAddress,  // IP-to-Domain: domain_edit, single name conversion
    AddressToName,  // IP-to-Domain: ip_edit, single address conversion
    PingName,       // Batch Ping: Edit7, the list becomes this one entry, ping restarts
    PingAddress,    // Batch Ping: Edit8, the address (or its neighbourhood), ping restarts
    Trace,          // Tracert: edTarget, stop, then go
    Whois,          // Whois: edDomain, stop, then query
    Country,        // Country Lookup: Edit3, single lookup
    Scan,           // Website Scanner: Edit111, stop, then start
};

// Where an item takes its text from.
enum class SendSource {
    Box,        // the input box's text
    ListEntry,  // the selected entry of the list; nothing when none is selected
    GridCell,   // the cell of `column` in the grid's current row; nothing when it is empty
    HopIp,      // the hop list's selected row, the cell of `column`; nothing when no hop row
};

// What is done to the taken text before it is sent.
enum class SendTransform {
    None,
    WwwPrefix,     // "www." in front, even when the text already begins with it
    CutAtSlash,    // up to, not including, the first "/"
    TrimPaddedIp,  // the fixed-width address of the connection table made plain dotted
};

struct SendToItem {
    const char* popup;    // object name of the popup that holds the item
    const char* name;     // object name of the item
    const char* caption;  // the item's text
    SendSource source;
    int column;  // for GridCell and HopIp; -1 otherwise
    SendTransform transform;
    SendTarget target;
};

inline constexpr int kSendToItemCount = 84;
// Every send-to item of every popup, popups in page order, items in menu order.
extern const std::array<SendToItem, kSendToItemCount> kSendToItems;

// The page index (in the main window's page order) of a target's page.
int TargetPageIndex(SendTarget target);

// The popup's transform applied to `text`.
QString TransformSendText(SendTransform transform, const QString& text);

// The text `item` takes from `control` (its popup's control) with the transform applied, or
// nothing when the item's guard holds (no list entry or hop row selected, an empty cell).
std::optional<QString> TakeSendText(const SendToItem& item, const QWidget* control);

// What the Whois box gets for `text`: its base domain. A dotted address is first replaced by
// its host name (`nameOfAddress`, what the reverse lookup gave, "X" for none); an address that
// has no name is sent unchanged, never cut to its last two fields.
QString WhoisSendText(const QString& text, const std::optional<std::string>& nameOfAddress);
// Whether `text` is a dotted address that the Whois target names first; `canonical` then gets
// the address in plain decimal form.
bool IsDottedAddress(const QString& text, std::string* canonical = nullptr);
// `text` without a ":port" after its host (a port is no part of a WHOIS query).
QString WithoutPort(const QString& text);

// The targets as the main window offers them to the pages.
class SendTargets {
  public:
    virtual ~SendTargets() = default;

    // Makes the target's page the active one.
    virtual void ShowTarget(SendTarget target) = 0;
    // Replaces the target's input box by `text` and runs the target's operations.
    virtual void RunTarget(SendTarget target, const QString& text) = 0;
    // The target's page shows that it works on `text` while what it gets is still being looked
    // up; `AwaitDropped` ends that when the look-up is dropped without a run.
    virtual void AwaitTarget(SendTarget /*target*/, const QString& /*text*/) {}
    virtual void AwaitDropped(SendTarget /*target*/) {}

    // The send-to rule for a text already taken and transformed: the page first, then the
    // target. A Whois of a dotted address runs once the address's name has come back from a
    // worker (through `queue`; inline when there is none); a newer send drops a pending one.
    void Send(SendTarget target, const QString& text,
              const std::shared_ptr<task::MainQueue>& queue);
    // Drops a send still waiting for its look-up: the user took the target's page over.
    void DropPending();
    bool Pending() const { return pending_; }
    // The look-up of the last send that needed one.
    const task::TaskSlot& Naming() const { return naming_; }
    // The look-up's answer: the pending send runs with `text`.
    void RunPending(SendTarget target, const QString& text);

  private:
    task::TaskSlot naming_;
    bool pending_ = false;
};

// Appends the send-to items of the popup named `popupName` to `popup` (and gives `popup` that
// object name). The items take their text from `control`; a list's popup gets a separator
// before them, after its editing items. A click with no SendTargets in `context` does nothing.
void AddSendToItems(ui::TPopupMenu* popup, const char* popupName, const QWidget* control,
                    const PageContext& context);

// What a click on `item` does: its guard, then the text to the context's targets.
void SendToClick(const SendToItem& item, const QWidget* control, const PageContext& context);

}  // namespace orv
