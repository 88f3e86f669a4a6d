// TForm1: the plug-in's main window. A borderless black window captioned "QUAVORY", owned by the
// application object but not its main form, so closing it only hides it.
#pragma once

#include <string>

#include "player/PlayerQuery.h"
#include "plugin/PluginRecord.h"
#include "toolkit/Forms.h"

class TForm1 : public TForm {
public:
    // `record` is the live plug-in record: the player fills in its window after load, and every
    // question to the player reads that field afresh. Null when no player hosts the window.
    explicit TForm1(TComponent* owner, TWinampGeneralPurposePlugin* record = nullptr);
    ~TForm1() override;

    void FormCreate(TObject* Sender);
    void FormShow(TObject* Sender);
    void FormResize(TObject* Sender);
    void FormDeactivate(TObject* Sender);

    bool WndProc(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

    TWinampGeneralPurposePlugin* PluginRecord() const { return record_; }
    // Questions to the player through the record's window field (codes 104, 125, 211, 212).
    TPlayerQuery Player() const { return TPlayerQuery(record_ ? &record_->hwndParent : nullptr); }

    // The window's design size and colours.
    static constexpr int kDesignClientWidth = 564;
    static constexpr int kDesignClientHeight = 492;

private:
    TWinampGeneralPurposePlugin* record_;
};
