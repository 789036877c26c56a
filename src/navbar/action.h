// Actions: one command with its caption, state and handler, shared by every client linked to
// it. A client holds a link; the action tells its links when a value changes and when it goes
// away, so no client keeps a dangling action.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "navbar/persistent.h"

namespace orv {

// An event handler that knows which assignment it came from: copies of one handler compare
// equal, two handlers assigned separately do not (even with the same code). Clients compare an
// action's handler with their own this way.
template <typename Signature>
class THandler;

template <typename R, typename... Args>
class THandler<R(Args...)> {
  public:
    THandler() = default;
    THandler(std::nullptr_t) {}
    template <typename F, typename = std::enable_if_t<!std::is_same_v<std::decay_t<F>, THandler> &&
                                                      std::is_invocable_r_v<R, F&, Args...>>>
    THandler(F&& f) {
        std::function<R(Args...)> fn(std::forward<F>(f));
        if (fn) {
            fn_ = std::make_shared<const std::function<R(Args...)>>(std::move(fn));
        }
    }

    explicit operator bool() const { return fn_ != nullptr; }
    R operator()(Args... args) const { return (*fn_)(std::forward<Args>(args)...); }

    friend bool operator==(const THandler& a, const THandler& b) { return a.fn_ == b.fn_; }

  private:
    std::shared_ptr<const std::function<R(Args...)>> fn_;
};

using TNotifyHandler = THandler<void(TPersistent* sender)>;

class TBasicActionLink;

class TBasicAction : public TPersistent {
  public:
    TBasicAction() = default;
    // Every link still connected is told, and its client drops the action.
    ~TBasicAction() override;

    const char* ClassName() const override { return "TBasicAction"; }

    const TNotifyHandler& OnExecute() const { return onExecute_; }
    // Linked clients whose handler was this action's take the new one.
    void SetOnExecute(TNotifyHandler handler);

    // Runs OnExecute with the action as sender; false when there is none.
    virtual bool Execute();
    // Tells every link that the action changed as a whole; their clients take its values anew.
    void Change();

  protected:
    // The links at this moment; a copy, so a client may unlink while it is told.
    std::vector<TBasicActionLink*> Links() const { return links_; }

  private:
    friend class TBasicActionLink;

    TNotifyHandler onExecute_;
    std::vector<TBasicActionLink*> links_;
};

// An action with the values a client shows: each setter first lets the links pass a new value
// on to their clients, then stores it.
class TCustomAction : public TBasicAction {
  public:
    const char* ClassName() const override { return "TCustomAction"; }

    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& value);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value);
    int HelpContext() const { return helpContext_; }
    void SetHelpContext(int value);
    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& value);
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int value);
    bool Visible() const { return visible_; }
    void SetVisible(bool value);

  private:
    std::string caption_;
    bool enabled_ = true;
    int helpContext_ = 0;
    std::string hint_;
    int imageIndex_ = -1;
    bool visible_ = true;
};

// A client's connection to one action.
class TBasicActionLink {
  public:
    TBasicActionLink() = default;
    TBasicActionLink(const TBasicActionLink&) = delete;
    TBasicActionLink& operator=(const TBasicActionLink&) = delete;
    virtual ~TBasicActionLink();

    TBasicAction* Action() const { return action_; }
    // Leaves the old action, joins the new one (nullptr: none).
    void SetAction(TBasicAction* action);
    // Runs the action; false without one or when it has no handler.
    bool Execute();

    // Run with the action when it reports a change as a whole.
    std::function<void(TBasicAction* sender)> OnChange;

    virtual bool IsOnExecuteLinked() { return false; }
    virtual void SetOnExecute(const TNotifyHandler&) {}

  protected:
    // The action is being destroyed; the link is already detached from it and may be freed.
    virtual void ActionFreed() {}

  private:
    friend class TBasicAction;

    TBasicAction* action_ = nullptr;
};

// A link that passes the values of a TCustomAction to its client, one property at a time, while
// the client's value still is the action's.
class TActionLink : public TBasicActionLink {
  public:
    virtual bool IsCaptionLinked() { return false; }
    virtual bool IsEnabledLinked() { return false; }
    virtual bool IsHelpContextLinked() { return false; }
    virtual bool IsHintLinked() { return false; }
    virtual bool IsImageIndexLinked() { return false; }
    virtual bool IsVisibleLinked() { return false; }
    virtual void SetCaption(const std::string&) {}
    virtual void SetEnabled(bool) {}
    virtual void SetHelpContext(int) {}
    virtual void SetHint(const std::string&) {}
    virtual void SetImageIndex(int) {}
    virtual void SetVisible(bool) {}
};

}  // namespace orv
