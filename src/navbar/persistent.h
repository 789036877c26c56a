// The base of the bar's small appearance objects: a change notice that reaches the owner, and
// Assign that copies only between objects of the same kind.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

namespace orv {

// Raised when an object is assigned from one of another kind.
class EConvertError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// One published plain-valued property: the value a new object gets, and the value a component
// stream leaves out (none: always written). A stored value equal to the stream default is not
// written and so reads back as the constructor value. Enumerations and colours as integers.
struct TPropertyDefault {
    const char* Name;
    std::int64_t NewValue;
    std::optional<std::int64_t> StreamDefault;
};

// A set of options held as bits, option n at bit n (how the stream stores a set).
template <typename Bits, typename Option>
constexpr Bits OptionBits(std::initializer_list<Option> options) {
    Bits set = 0;
    for (Option o : options)
        set = static_cast<Bits>(set | (1u << o));
    return set;
}
template <typename Bits, typename Option>
constexpr bool Has(Bits set, Option o) {
    return (set >> o) & 1u;
}

class TPersistent {
  public:
    using TNotifyEvent = std::function<void(TPersistent* sender)>;

    TPersistent() = default;
    TPersistent(const TPersistent&) = delete;
    TPersistent& operator=(const TPersistent&) = delete;
    virtual ~TPersistent() = default;

    virtual const char* ClassName() const = 0;

    // Copies from `source`; the base lets the source try AssignTo, which raises
    // "Cannot assign a <source> to a <destination>" when it does not know the destination.
    virtual void Assign(const TPersistent& source) { source.AssignTo(*this); }

    const TNotifyEvent& OnChangeParameter() const { return onChangeParameter_; }
    virtual void SetOnChangeParameter(TNotifyEvent handler) {
        onChangeParameter_ = std::move(handler);
    }

  protected:
    virtual void AssignTo(TPersistent& dest) const {
        throw EConvertError(std::string("Cannot assign a ") + ClassName() + " to a " +
                            dest.ClassName());
    }
    // Tells the owner that the look changed.
    void Changed() {
        if (onChangeParameter_) {
            onChangeParameter_(this);
        }
    }
    // The setter of a plain value: stores `value` and tells the owner, when it is a change.
    template <typename T, typename U>
    void SetAndNotify(T& field, U&& value) {
        if (field != value) {
            field = std::forward<U>(value);
            Changed();
        }
    }
    // AssignTo for a class that copies only from its own kind: a destination of class T is
    // assigned from `self`; anything else gets the conversion error.
    template <typename T>
    static void AssignToSameClass(const T& self, TPersistent& dest) {
        if (auto* same = dynamic_cast<T*>(&dest)) {
            same->Assign(self);
            return;
        }
        self.TPersistent::AssignTo(dest);
    }

  private:
    TNotifyEvent onChangeParameter_;
};

}  // namespace orv
