// What the main window needs of the website scanner when it is asked to close.
#pragma once

namespace orv {

class ScannerControl {
  public:
    virtual ~ScannerControl() = default;
    virtual bool IsWorking() const = 0;
    virtual bool IsStopping() const = 0;
    // Stops every download and ends the application a couple of seconds later.
    virtual void ShutdownScan() = 0;
};

// A scanner that never works: the close is always allowed.
class IdleScanner final : public ScannerControl {
  public:
    bool IsWorking() const override { return false; }
    bool IsStopping() const override { return false; }
    void ShutdownScan() override {}
};

}  // namespace orv
