// The bar's close header: one caption strip with an X at its right end, outside the header list.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "navbar/header.h"

namespace orv {

class TmxCloseButton : public TPersistent {
  public:
    explicit TmxCloseButton(TmxBarOwner* bar);
    ~TmxCloseButton() override;

    const char* ClassName() const override { return "TmxCloseButton"; }
    // From another close button: the visible properties, not OnClose.
    void Assign(const TPersistent& source) override;

    // The private header the properties are views of.
    TmxHeader& Header() { return *header_; }

    const std::string& Caption() const { return header_->Caption(); }
    void SetCaption(const std::string& v);
    TFont& Font() { return header_->Settings().Font(); }
    void SetFont(const TFont& v);
    int Height() const;
    void SetHeight(int v);
    int ImageIndex() const { return header_->ImageIndex(); }
    void SetImageIndex(int v);
    std::uint16_t Margin() const { return header_->Margin(); }
    void SetMargin(std::uint16_t v);
    bool Transparent() const { return header_->Transparent(); }
    void SetTransparent(bool v);
    bool Visible() const { return header_->Visible(); }
    void SetVisible(bool v);

    TNotifyEvent OnClose;

    // Written by the bar's paint, read by its hit tests.
    TRect Rect;
    TRect XRect{-1000, -1000, -1000, -1000};
    TmxButtonState XState = hbsUp;

  private:
    void Repaint();

    TmxBarOwner* bar_;
    std::unique_ptr<TmxHeader> header_;
};

}  // namespace orv
