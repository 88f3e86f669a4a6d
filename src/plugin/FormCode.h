// TForm1: the plug-in's main window. A borderless black window captioned "QUAVORY", owned by the
// application object but not its main form, so closing it only hides it. It shows the playing
// track (the track watcher), the rating list and button, "Get Recommendations", the busy bar and
// stop buttons, link buttons, a "Quick Start" text, and a hidden HTML viewer for server replies.
//
// Runs on the player's thread; its timers and handlers come through the player's message loop.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "player/PlayerQuery.h"
#include "plugin/FormCodeRequestRules.h"
#include "plugin/FormCodeRules.h"
#include "toolkit/Forms.h"

class TImage;
class TLabel;
class TGProgress;
class THTMLViewer;
class TFocusButton;
class TBitBtn;
class TSpeedButton;
class TMemo;
class TComboBox;
class TMP3Tag;
class TMP3Remote;
class TNMHTTP;
class TNMURL;
class TpvlUrl;
class TTimer;
class TMagneticForm;
class TFormResizer;
class TPopupMenu;
class TMenuItem;
class TRegistry;
class TStringList;

class TForm1 : public TForm, private TTrackWatcherView {
public:
    explicit TForm1(TComponent* owner, TPlayerWindowSource playerWindow = nullptr);
    ~TForm1() override;

    // Visible controls, in creation order.
    TImage* Image4 = nullptr;
    TImage* HeadingOn = nullptr;
    TLabel* CurrentTrackLabel = nullptr;
    TLabel* Label2 = nullptr;
    TLabel* TrackLabel = nullptr;
    TGProgress* ProgressBar = nullptr;
    TLabel* Label5 = nullptr;
    TImage* HeadingOff = nullptr;
    TImage* StopGreyImage = nullptr;
    TLabel* Label3 = nullptr;
    TLabel* Label4 = nullptr;
    TLabel* QSLabel1 = nullptr;
    TLabel* QSLabel2 = nullptr;
    TLabel* QSLabel3 = nullptr;
    TLabel* QSLabel4 = nullptr;
    TLabel* QSLabel5 = nullptr;
    TLabel* QSLabel8 = nullptr;
    TLabel* QSLabel6 = nullptr;
    TLabel* QSLabel7 = nullptr;
    TImage* HeadingOn400 = nullptr;
    TImage* HeadingOff400 = nullptr;
    TImage* StopGreyImageSmall = nullptr;
    THTMLViewer* Viewer2 = nullptr;
    TFocusButton* FocusButton1 = nullptr;
    TSpeedButton* StopButton = nullptr;
    TSpeedButton* CloseBtn = nullptr;
    TMemo* Memo = nullptr;
    TComboBox* RatingsComboBox = nullptr;
    TBitBtn* BitBtn5 = nullptr;
    TSpeedButton* MinimizeBtn = nullptr;
    TSpeedButton* BitBtn6 = nullptr;
    TSpeedButton* PellucorBtnSmall = nullptr;
    TSpeedButton* VelmorraBtnSmall = nullptr;
    TSpeedButton* PellucorBtnLarge = nullptr;
    TSpeedButton* VelmorraBtnLarge = nullptr;
    TSpeedButton* InfinButton = nullptr;
    TSpeedButton* StopButtonSmall = nullptr;

    // Non-visual components.
    TMP3Tag* MP3Tag1 = nullptr;
    TMP3Remote* MP3Remote = nullptr;
    TNMHTTP* NMHTTP1 = nullptr;
    TNMURL* NMURL1 = nullptr;
    TpvlUrl* pvlUrl1 = nullptr;
    TTimer* ProgressTimer = nullptr;
    TTimer* CheckPlayTimer = nullptr;
    TMagneticForm* MagneticForm1 = nullptr;
    TFormResizer* FormResizer1 = nullptr;
    TPopupMenu* PopupMenu = nullptr;
    TMenuItem* Settings1 = nullptr;
    TMenuItem* Exit1 = nullptr;

    // The key of the user's stored state, open for the window's life (after FormCreate).
    TRegistry* Registry() const { return registry_.get(); }

    // Window events.
    void FormCreate(TObject* Sender);
    void FormShow(TObject* Sender);
    void FormResize(TObject* Sender);
    void FormDeactivate(TObject* Sender);

    // Window commands.
    void MinimizeBtnClick(TObject* Sender);
    void CloseBtnClick(TObject* Sender);
    void Exit1Click(TObject* Sender);
    void InfinButtonClick(TObject* Sender);
    void Settings1Click(TObject* Sender);

    // The track watcher, on every tick of CheckPlayTimer.
    void CheckPlayTimerTimer(TObject* Sender);
    const std::string& LastSeenTitle() const { return watcher_->LastSeenTitle(); }

    // Released while a handler waits on a request: the request ends at once.
    void CancelNestedWork() override;

    // Shows the proxy dialog and applies its answer.
    void CheckProxy();

    // Rating, recommendation, link and form handlers, the busy indicator and the outside pages
    // (FormCodeRequests.cpp).
    void FocusButton1Click(TObject* Sender);
    void BitBtn5Click(TObject* Sender);
    void Viewer2HotSpotClick(TObject* Sender, const std::string& SRC, bool& Handled);
    void Viewer2FormSubmit(TObject* Sender, const std::string& Action, const std::string& Target, const std::string& EncType,
                           const std::string& Method, std::unique_ptr<TStringList> Results);
    void NMHTTP1AboutToSend(TObject* Sender);
    void NMHTTP1Success(int Cmd);
    void NMHTTP1Failure(int Cmd);
    // A redirection brought a cookie: the listener's value is taken over as after a success, so
    // the next request still carries it as UserCookie.
    void NMHTTP1Redirect(bool& Handled);
    void ProgressTimerTimer(TObject* Sender);
    void StopButtonClick(TObject* Sender);
    void BitBtn6Click(TObject* Sender);
    void PellucorBtnLargeClick(TObject* Sender);
    void VelmorraBtnLargeClick(TObject* Sender);
    // Follows a link of a shown page: into the viewer when it leads into the service, else to
    // the system browser.
    void GetURL(const std::string& url);

    // Reply pages handed to the viewer since the window was created.
    int PagesShown() const { return pagesShown_; }

    // The layout test, made afresh on every call: the screen is at least 810 pixels wide.
    bool WideLayout() override;

    bool WndProc(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

    // The window's design size.
    static constexpr int kDesignClientWidth = 564;
    static constexpr int kDesignClientHeight = 492;

private:
    void CreateControls();
    void FitQuickStartLines();
    void CreateComponents();

    // The track watcher's view of the window.
    bool WindowActive() override;
    void SetInactiveHeadingVisible(bool wideLayout, bool visible) override;
    std::string TrackLabelCaption() override;
    void SetTrackLabelCaption(const std::string& s) override;
    void SetRatingButtonCaption(const std::string& s) override;
    void SetWatcherEnabled(bool enabled) override;

    // Requests (FormCodeRequests.cpp).
    TPlayerQueries& Player();
    // Runs one request of the engine: the busy indicator ends however the request ends, and a
    // window released meanwhile shows nothing more (it goes when its handler returns).
    void RunRequest(const std::function<void()>& request);
    void EndBusy();
    void SetCookieFieldFromStore();
    void AskProxyWhenFirst();
    // Reply hand-over: the body through the hidden memo into the viewer.
    void HandOver(bool showViewer);
    void TakeOverCookie();

    class TPlayer;
    std::unique_ptr<TPlayer> player_;
    std::unique_ptr<TTrackWatcher> watcher_;
    std::unique_ptr<TRegistry> registry_;
    int pagesShown_ = 0;
};
