#include "plugin/FormCode.h"

#include <future>

#include "html/Htmlview.h"
#include "net/NMHttp.h"
#include "net/NMURL.h"
#include "net/PsockWin32.h"
#include "player/MP3Remote.h"
#include "player/MP3Tag.h"
#include "player/PlayerMessages.h"
#include "plugin/FormCodeArtwork.h"
#include "plugin/SettingsFormCode.h"
#include "toolkit/Application.h"
#include "toolkit/Buttons.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/FormDesc.h"
#include "toolkit/GdiCanvas.h"
#include "toolkit/Menus.h"
#include "toolkit/Registry.h"
#include "toolkit/StdCtrls.h"
#include "widgets/EasysizeWin32.h"
#include "widgets/FocusBtnsWin32.h"
#include "widgets/GProgressWin32.h"
#include "widgets/MagneticFormWin32.h"
#include "widgets/pvlUrl.h"

namespace {

// Label settings: transparent, with its own font height, optionally centred in a fixed box and
// word-wrapped.
enum TLabelLook : unsigned { kPlain = 0, kCentredFixed = 1, kWrap = 2 };
std::function<void(TLabel&)> LabelLook(TLabel*& field, int pixels, unsigned look = kPlain) {
    return [&field, pixels, look](TLabel& l) {
        field = &l;
        l.SetTransparent(true);
        l.SetFont(Tahoma(pixels, clLime));
        if (look & kCentredFixed) {
            l.SetAlignment(TAlignment::taCenter);
            l.SetAutoSize(false);
        }
        if (look & kWrap) l.SetWordWrap(true);
    };
}

} // namespace

// ---------------------------------------------------------------- the player

// The track watcher's questions, asked through the one player-query helper.
class TForm1::TPlayer : public TPlayerQueries {
public:
    explicit TPlayer(TPlayerWindowSource window) : query_(std::move(window)) {}
    long PlayingState() override { return query_.PlayingState(); }
    int ListPosition() override { return query_.ListPos(); }
    std::string PlaylistTitle(int pos) override { return query_.PlaylistTitle(pos); }
    std::string PlaylistFile(int pos) override { return query_.PlaylistFile(pos); }

private:
    TPlayerQuery query_;
};

// ---------------------------------------------------------------- creation

TForm1::TForm1(TComponent* owner, TPlayerWindowSource playerWindow)
    : TForm(owner), player_(std::make_unique<TPlayer>(playerWindow)) {
    SetName("Form1");
    // No border or title bar; system menu and minimise icons; black; Tahoma 11 px.
    BorderStyle = TFormBorderStyle::bsNone;
    BorderIcons = biSystemMenu | biMinimize;
    Position = TPosition::poScreenCenter;
    SetCaption("QUAVORY");
    SetColor(clBlack);
    SetFont(Tahoma(11, clLime));
    SetClientSize(kDesignClientWidth, kDesignClientHeight);

    // The background is the one large picture, and decoding it the longest single step of
    // start-up: a second thread decodes it while the controls and windows are made, and it is
    // in place before the window first paints. (A missing or broken picture raises here, as it
    // would have in the control's own row.)
    std::future<TBitmap> background = std::async(std::launch::async, [] { return ArtworkBitmap("BACKGROUND"); });
    CreateControls();
    FitQuickStartLines();
    CreateComponents();
    TTrackWatcherView& view = *this;
    watcher_ = std::make_unique<TTrackWatcher>(view, *player_, *MP3Tag1);

    OnCreate = [this](TObject* s) { FormCreate(s); };
    OnShow = [this](TObject* s) { FormShow(s); };
    OnResize = [this](TObject* s) { FormResize(s); };
    OnDeactivate = [this](TObject* s) { FormDeactivate(s); };
    Handle();
    Image4->SetPicture(background.get());
    // A failure while creating (a stored port that is no number) ends at the standard error box
    // (DoCreate guards the handler); the window is created and shown all the same.
    DoCreate();
}

TForm1::~TForm1() { DestroyComponents(); }

void TForm1::CancelNestedWork() {
    if (NMHTTP1) NMHTTP1->Abort();
}

void TForm1::CreateControls() {
    // Right-clicks on the pictures of the window open its pop-up menu once it exists.
    auto picture = [](TImage*& field, const char* art, bool stretch, bool visible) {
        return [&field, art, stretch, visible](TImage& i) {
            field = &i;
            i.Stretch = stretch;
            i.SetVisible(visible);
            i.SetPicture(ArtworkBitmap(art));
        };
    };
    // The picture buttons on the artwork are windowless: they paint on the window's own surface.
    auto glyphButton = [](auto*& field, const char* art, bool opaque) {
        return [&field, art, opaque](auto& b) {
            field = &b;
            b.Cursor = crHandPoint;
            b.SetGlyph(opaque ? OpaqueGlyph(art) : ArtworkBitmap(art));
        };
    };
    auto click = [this](void (TForm1::*handler)(TObject*)) {
        return [this, handler](TControl& b) { b.OnClick = [this, handler](TObject* s) { (this->*handler)(s); }; };
    };

    Describe(*this, {
        Row<TImage>("Image4", 0, 0, kDesignClientWidth, kDesignClientHeight, {},
                    [&](TImage& i) {
                        Image4 = &i;
                        i.Stretch = true; // its picture comes from the decoding thread
                        i.SetAlign(TAlign::alClient);
                    }),
        Row<TImage>("HeadingOn", 0, 1, 564, 14, {}, picture(HeadingOn, "HEADING_ON", true, true)),
        Row<TLabel>("CurrentTrackLabel", 4, 22, 558, 16, "CURRENT TRACK", LabelLook(CurrentTrackLabel, 15, kCentredFixed)),
        Row<TLabel>("Label2", 131, 62, 188, 16, "What do you think of this Track ?", LabelLook(Label2, 13)),
        Row<TLabel>("TrackLabel", 0, 39, 561, 13, {},
                    [&](TLabel& l) {
                        LabelLook(TrackLabel, 11, kCentredFixed)(l);
                        l.Cursor = crHandPoint;
                    }),
        Row<TGProgress>("ProgressBar", 16, 471, 392, 13, {},
                        [&](TGProgress& p) {
                            ProgressBar = &p;
                            p.SetGradientBar(true);
                            p.SetBackgroundColor(clBlack);
                            p.SetColor(clLime);
                            p.SetStep(1);
                            p.SetMax(50);
                        }),
        Row<TLabel>("Label5", 26, 59, 95, 13, "Pellucor WebHosting", LabelLook(Label5, 11)),
        Row<TImage>("HeadingOff", 0, 1, 564, 14, {}, picture(HeadingOff, "HEADING_OFF", true, false)),
        Row<TImage>("StopGreyImage", 512, 72, 32, 32, {}, picture(StopGreyImage, "STOP_GREY", true, true)),
        Row<TLabel>("Label3", 8, 152, 556, 23, "THE QUAVORY vers 1.0", LabelLook(Label3, 16, kCentredFixed)),
        Row<TLabel>("Label4", 74, 185, 78, 19, "Quick Start", LabelLook(Label4, 16)),
        Row<TLabel>("QSLabel1", 74, 215, 194, 16, "1.  Start your Internet connection ", LabelLook(QSLabel1, 13)),
        Row<TLabel>("QSLabel2", 74, 244, 235, 16, "2.  Start playing an MP3 File in WinAmp. ", LabelLook(QSLabel2, 13)),
        Row<TLabel>("QSLabel3", 74, 274, 378, 16, "3.  Select your rating for the track from the drop down list above. ",
                    LabelLook(QSLabel3, 13)),
        Row<TLabel>("QSLabel4", 74, 303, 365, 16,
                    "4.  Submit your rating by clicking the \"Enter Rating for \" button. ", LabelLook(QSLabel4, 13)),
        Row<TLabel>("QSLabel5", 74, 330, 425, 16,
                    "5.  Keep repeating this process until you have rated at least 5 MP3 Tracks,", LabelLook(QSLabel5, 13, kWrap)),
        Row<TLabel>("QSLabel8", 74, 388, 317, 16, "6.  Click on the \"Get Recommendations\" button below.  ",
                    LabelLook(QSLabel8, 13)),
        Row<TLabel>("QSLabel6", 74, 349, 413, 16,
                    "     you will receive increasingly more accurate recommendations as you", LabelLook(QSLabel6, 13, kWrap)),
        Row<TLabel>("QSLabel7", 74, 367, 186, 16, "     rate more and more tracks.  ", LabelLook(QSLabel7, 13, kWrap)),
        Row<TImage>("HeadingOn400", 57, 1, 400, 11, {},
                    [&](TImage& i) {
                        i.SetAutoSize(true);
                        picture(HeadingOn400, "HEADING_ON400", false, false)(i);
                    }),
        Row<TImage>("HeadingOff400", 57, 1, 400, 11, {},
                    [&](TImage& i) {
                        i.SetAutoSize(true);
                        picture(HeadingOff400, "HEADING_OFF400", false, false)(i);
                    }),
        Row<TImage>("StopGreyImageSmall", 512, 72, 32, 33, {}, picture(StopGreyImageSmall, "STOP_GREY_SMALL", true, false)),
        Row<THTMLViewer>("Viewer2", 20, 118, 522, 343, {},
                         [&](THTMLViewer& v) {
                             Viewer2 = &v;
                             v.SetVisible(false);
                             v.Cursor = ThickIBeamCursor;
                             v.SetViewImages(false);
                             v.SetDefBackground(clBlack);
                             v.SetBorderStyle(THTMLBorderStyle::htNone);
                             v.SetHistoryMaxCount(10);
                             v.SetDefFontName("Tahoma");
                             v.SetDefPreFontName("Tahoma");
                             v.SetDefFontSize(8);
                             v.SetDefFontColor(clLime);
                             v.SetDefVisitedLinkColor(clWhite);
                             v.NoSelect = false;
                             v.SetScrollBars(TScrollStyle::ssVertical);
                             v.SetMarginWidth(0);
                             v.SetMarginHeight(0);
                             v.SethtOptions(0);
                         },
                         [this](THTMLViewer& v) {
                             v.OnHotSpotClick = [this](TObject* s, const std::string& src, bool& handled) {
                                 Viewer2HotSpotClick(s, src, handled);
                             };
                             v.OnFormSubmit = [this](TObject* s, const std::string& action, const std::string& target,
                                                     const std::string& encType, const std::string& method,
                                                     std::unique_ptr<TStringList> results) {
                                 Viewer2FormSubmit(s, action, target, encType, method, std::move(results));
                             };
                         }),
        Row<TFocusButton>("FocusButton1", 326, 68, 181, 38, "Enter Rating for",
                          [&](TFocusButton& b) {
                              FocusButton1 = &b;
                              b.TabOrder = 3;
                              b.SetAutoSize(false);
                              b.SetHotTrack(false);
                              b.SetLayout(TTextLayout::tlCenter);
                              b.SetShowFocus(false);
                              b.SetTextAlignment(TAlignment::taCenter);
                              b.SetWordWrap(true);
                          },
                          [this](TFocusButton& b) { b.OnClick = [this](TObject* s) { FocusButton1Click(s); }; }),
        Row<TSpeedButton>("StopButton", 512, 72, 32, 33, {},
                     [&](TSpeedButton& b) {
                         glyphButton(StopButton, "STOP", false)(b);
                         b.Cursor = crDefault;
                         b.Layout = TButtonLayout::blGlyphBottom;
                         b.SetVisible(false);
                     },
                     click(&TForm1::StopButtonClick)),
        Row<TSpeedButton>("CloseBtn", 554, 5, 6, 6, {}, glyphButton(CloseBtn, "CLOSE", true), click(&TForm1::CloseBtnClick)),
        Row<TMemo>("Memo", 192, 160, 81, 17, {},
                   [&](TMemo& m) {
                       Memo = &m;
                       m.WordWrap = false;
                       m.SetVisible(false);
                   }),
        Row<TComboBox>("RatingsComboBox", 130, 80, 186, 21, {},
                       [&](TComboBox& c) {
                           RatingsComboBox = &c;
                           c.SetFont(Tahoma(11, clWindowText));
                           c.SetDropDownCount(kRatingItemCount);
                           for (std::string_view item : RatingItems) c.AddItem(std::string(item));
                           c.SetItemIndex(-1);
                       }),
        Row<TBitBtn>("BitBtn5", 412, 466, 147, 24, "Get Recommendations",
                     [&](TBitBtn& b) {
                         glyphButton(BitBtn5, "LIGHTNING", false)(b);
                         b.Cursor = crDefault;
                     },
                     click(&TForm1::BitBtn5Click)),
        Row<TSpeedButton>("MinimizeBtn", 533, 4, 6, 6, {}, glyphButton(MinimizeBtn, "MINIMIZE", true), click(&TForm1::MinimizeBtnClick)),
        Row<TSpeedButton>("BitBtn6", 37, 30, 22, 21, {}, glyphButton(BitBtn6, "QUESTION", false), click(&TForm1::BitBtn6Click)),
        Row<TSpeedButton>("PellucorBtnSmall", 24, 75, 98, 30, {}, glyphButton(PellucorBtnSmall, "SPONSOR_SMALL", true),
                     click(&TForm1::PellucorBtnLargeClick)),
        Row<TSpeedButton>("VelmorraBtnSmall", 480, 29, 67, 22, {}, glyphButton(VelmorraBtnSmall, "MAKER_SMALL", true),
                     click(&TForm1::VelmorraBtnLargeClick)),
        Row<TSpeedButton>("PellucorBtnLarge", 24, 75, 98, 30, {}, glyphButton(PellucorBtnLarge, "SPONSOR_LARGE", true),
                     click(&TForm1::PellucorBtnLargeClick)),
        Row<TSpeedButton>("VelmorraBtnLarge", 480, 29, 67, 22, {}, glyphButton(VelmorraBtnLarge, "MAKER_LARGE", true),
                     click(&TForm1::VelmorraBtnLargeClick)),
        Row<TSpeedButton>("InfinButton", 12, 3, 14, 12, {}, glyphButton(InfinButton, "INFINITY", true), click(&TForm1::InfinButtonClick)),
        Row<TSpeedButton>("StopButtonSmall", 512, 72, 32, 33, {},
                     [&](TSpeedButton& b) {
                         glyphButton(StopButtonSmall, "STOP_SMALL", false)(b);
                         b.Cursor = crDefault;
                         b.Layout = TButtonLayout::blGlyphTop;
                         b.SetVisible(false);
                     },
                     click(&TForm1::StopButtonClick)),
    });
}

// The word-wrapped Quick Start lines were laid out one line each, their boxes as wide as their
// texts. Where the platform's Tahoma sets them a few pixels wider (or its word break counts the
// blanks at the end), a box widens to its whole text as long as it stays inside the window, so no
// line wraps onto the next.
void TForm1::FitQuickStartLines() {
    TGdiCanvas canvas(MeasuringDC());
    for (TLabel* l : {QSLabel5, QSLabel6, QSLabel7}) {
        canvas.Font = l->Font();
        const int needed = canvas.TextWidth(l->Caption());
        if (needed <= l->Width() || l->Left() + needed > ClientWidth()) continue;
        l->SetWidth(needed);
        l->AdjustBounds(); // one line high again
    }
}

void TForm1::CreateComponents() {
    MP3Tag1 = new TMP3Tag(this);
    MP3Tag1->SetName("MP3Tag1");
    MP3Tag1->SetGenreID(kDefaultGenreID); // 12
    MP3Tag1->EditAutoSave = true;

    MP3Remote = new TMP3Remote(this);
    MP3Remote->SetName("MP3Remote");

    NMHTTP1 = new TNMHTTP(this, CreateWinsockDriver()); // WinSock, handed in by the Win32 layer
    NMHTTP1->SetName("NMHTTP1");
    NMHTTP1->Port = 0;
    NMHTTP1->TimeOut = 30000;
    NMHTTP1->ReportLevel = 0;
    NMHTTP1->Body = "Default.htm";
    NMHTTP1->Header = "Head.txt";
    NMHTTP1->HeaderInfo.LocalProgram = "The Quavory";
    NMHTTP1->InputFileMode = false;
    NMHTTP1->OutputFileMode = false;
    NMHTTP1->ProxyPort = 8080;
    NMHTTP1->OnAboutToSend = [this](TObject* s) { NMHTTP1AboutToSend(s); };
    NMHTTP1->OnSuccess = [this](CmdType c) { NMHTTP1Success(c); };
    NMHTTP1->OnFailure = [this](CmdType c) { NMHTTP1Failure(c); };
    NMHTTP1->OnRedirect = [this](bool& handled) { NMHTTP1Redirect(handled); };

    NMURL1 = new TNMURL(this);
    NMURL1->SetName("NMURL1");
    pvlUrl1 = new TpvlUrl(this);
    pvlUrl1->SetName("pvlUrl1");

    ProgressTimer = new TTimer(this);
    ProgressTimer->SetName("ProgressTimer");
    ProgressTimer->SetEnabled(false);
    ProgressTimer->SetInterval(500);
    ProgressTimer->OnTimer = [this](TObject* s) { ProgressTimerTimer(s); };

    CheckPlayTimer = new TTimer(this);
    CheckPlayTimer->SetName("CheckPlayTimer");
    CheckPlayTimer->SetInterval(1000);
    CheckPlayTimer->OnTimer = [this](TObject* s) { CheckPlayTimerTimer(s); };
    CheckPlayTimer->SetEnabled(true);

    MagneticForm1 = new TMagneticForm(this);
    MagneticForm1->SetName("MagneticForm1");
    MagneticForm1->Margin.Enabled = true;
    MagneticForm1->Margin.LeftMin = MagneticForm1->Margin.RightMin = MagneticForm1->Margin.TopMin =
        MagneticForm1->Margin.BottomMin = -5;
    MagneticForm1->Margin.LeftMax = MagneticForm1->Margin.RightMax = MagneticForm1->Margin.TopMax =
        MagneticForm1->Margin.BottomMax = 10;
    MagneticForm1->AlwaysOnScreen = false;
    MagneticForm1->AlwaysMoveable = true;
    MagneticForm1->Resize.Enabled = false;
    MagneticForm1->Resize.Ratio.Enabled = false;
    MagneticForm1->Resize.Ratio.SetWidth(100);
    MagneticForm1->Resize.Ratio.SetHeight(86);
    MagneticForm1->Resize.Ratio.SetAspectRatio(1.1515151f); // last: leaves width 100 and height 86
    MagneticForm1->Resize.BorderWidth = 5;

    FormResizer1 = new TFormResizer(this);
    FormResizer1->SetName("FormResizer1");
    FormResizer1->ResizeFonts = true;
    FormResizer1->MinFontSize = 2;
    FormResizer1->MaxFontSize = 48;

    PopupMenu = new TPopupMenu(this);
    PopupMenu->SetName("PopupMenu");
    Settings1 = PopupMenu->Add("Settings1", "&Proxy Settings", [this](TObject* s) { Settings1Click(s); });
    Exit1 = PopupMenu->Add("Exit1", "E&xit", [this](TObject* s) { Exit1Click(s); });
    for (TImage* i : {Image4, HeadingOn, HeadingOff, HeadingOn400, HeadingOff400}) i->PopupMenu = PopupMenu;
    InfinButton->PopupMenu = PopupMenu;
}

// ---------------------------------------------------------------- window events

void TForm1::FormCreate(TObject*) {
    FormResizer1->RecordLayout();
    registry_ = std::make_unique<TRegistry>();
    registry_->OpenKey(userstate::kKeyPath, true);
    TRegistryUserStateStore store(*registry_);
    ApplyStoredState(store, *NMHTTP1);
}

bool TForm1::WideLayout() { return IsWideLayout(GetSystemMetrics(SM_CXSCREEN)); }

void TForm1::FormShow(TObject*) {
    if (WideLayout()) return;
    Viewer2->SetDefFontSize(kNarrowViewerFontSize);
    SetWidth(kNarrowWidth);
    SetHeight(kNarrowHeight);
    for (TLabel* l : {QSLabel1, QSLabel2, QSLabel3, QSLabel4, QSLabel5, QSLabel6, QSLabel7, QSLabel8}) {
        TFont f = l->Font();
        f.SetSize(kNarrowQuickStartFontSize);
        l->SetFont(f);
    }
    for (TControl* c : std::initializer_list<TControl*>{PellucorBtnLarge, VelmorraBtnLarge, HeadingOff, HeadingOn, StopGreyImage})
        c->Hide();
    StopGreyImageSmall->Show();
    HeadingOn400->Show();
}

void TForm1::FormResize(TObject*) {
    FormResizer1->ScaleControls(); // the background picture fills the client area by its alignment
    for (TLabel* l : {CurrentTrackLabel, TrackLabel, Label3}) l->SetWidth(Width());
}

void TForm1::FormDeactivate(TObject*) {}

bool TForm1::WndProc(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (msg == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_MINIMIZE) {
        // Minimising goes straight to the platform, and the application's forms follow.
        DefWindowProcA(Handle(), WM_SYSCOMMAND, SC_MINIMIZE, lParam);
        if (Application) Application->Minimize();
        result = 0;
        return true;
    }
    return TForm::WndProc(msg, wParam, lParam, result);
}

// ---------------------------------------------------------------- window commands

void TForm1::MinimizeBtnClick(TObject*) { SetWindowState(TWindowState::wsMinimized); }

// The window is not the application's main form, so closing only hides it; its timers go on.
void TForm1::CloseBtnClick(TObject*) { Close(); }
void TForm1::Exit1Click(TObject*) { Close(); }

void TForm1::InfinButtonClick(TObject*) { PopupMenu->Popup(Left() + 22, Top() + 16); }

void TForm1::Settings1Click(TObject*) { CheckProxy(); }

void TForm1::CheckProxy() {
    std::unique_ptr<TSettingsForm> dialog(new TSettingsForm(Application));
    if (dialog->ShowModal() != mrOk) return;
    TRegistryUserStateStore store(*registry_);
    ApplyProxyAnswer(store, *NMHTTP1, dialog->Answer());
}

// ---------------------------------------------------------------- the track watcher

void TForm1::CheckPlayTimerTimer(TObject*) { watcher_->Tick(); }

bool TForm1::WindowActive() { return Active(); }

void TForm1::SetInactiveHeadingVisible(bool wideLayout, bool visible) {
    (wideLayout ? HeadingOff : HeadingOff400)->SetVisible(visible);
}

std::string TForm1::TrackLabelCaption() { return TrackLabel->Caption(); }
void TForm1::SetTrackLabelCaption(const std::string& s) { TrackLabel->SetCaption(s); }
void TForm1::SetRatingButtonCaption(const std::string& s) { FocusButton1->SetCaption(s); }
void TForm1::SetWatcherEnabled(bool enabled) { CheckPlayTimer->SetEnabled(enabled); }

TPlayerQueries& TForm1::Player() { return *player_; }
