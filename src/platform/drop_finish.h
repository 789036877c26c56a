// How the target of a drag out of this program finished the drop, as X11 tells it. Qt's drag
// answers the target's last reply while hovering, which the drop itself can still refuse; the
// target's XdndFinished message (protocol version 5) says whether it took the drop, and how.
#pragma once

#include <cstdint>
#include <memory>

namespace orv::sys {

enum class DropFinish { Unknown, Refused, Copied, Moved };

// The finish an X11 event reports; Unknown for any other event. The atoms are those of
// "XdndFinished" and "XdndActionMove" on the event's connection.
DropFinish ReadDropFinish(const void* xcbEvent, std::uint32_t finishedAtom, std::uint32_t moveAtom);

// Listens for the finish of the drag being run from the moment it is made, when the program
// runs on X11; elsewhere it hears nothing.
class DropFinishWatch {
  public:
    DropFinishWatch();
    ~DropFinishWatch();
    DropFinishWatch(const DropFinishWatch&) = delete;
    DropFinishWatch& operator=(const DropFinishWatch&) = delete;

    bool Listening() const;
    // Runs events until the target has finished or timeoutMs have passed; Unknown when it did
    // not say.
    DropFinish Wait(int timeoutMs);

  private:
    class Filter;
    std::unique_ptr<Filter> filter_;
};

}  // namespace orv::sys
