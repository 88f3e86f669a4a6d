// TForm1's conversation with the service: the rating, the recommendations, links and forms of the
// shown pages, the busy indicator with its stop buttons, and the pages opened in the browser.
//
// Runs on the player's thread. A request call of the engine blocks its handler but pumps the
// thread's messages while it waits, so timers, clicks (the stop buttons) and even the player's
// quit can run inside it (the window then goes only after the waiting handler has returned).
#include <cstring>
#include <memory>

#include "html/Htmlview.h"
#include "net/NMHttp.h"
#include "net/NMURL.h"
#include "player/MP3Remote.h"
#include "player/MP3Tag.h"
#include "plugin/FormCode.h"
#include "plugin/SettingsFormCode.h"
#include "plugin/TagFormCode.h"
#include "toolkit/Application.h"
#include "toolkit/Buttons.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/Registry.h"
#include "toolkit/StdCtrls.h"
#include "widgets/GProgressWin32.h"
#include "widgets/pvlUrl.h"

namespace {
// The count of reply pages shown, readable from outside the player's process through this
// property of the main window (for the demo's summary).
constexpr char kPagesShownProperty[] = "QuavoryPagesShown";
} // namespace

// ---------------------------------------------------------------- requests

void TForm1::AskProxyWhenFirst() {
    TRegistryUserStateStore store(*registry_);
    if (store.ReadString(userstate::kProxy) == userstate::kProxyFirst) CheckProxy();
}

void TForm1::SetCookieFieldFromStore() {
    TRegistryUserStateStore store(*registry_);
    ::SetCookieFieldFromStore(store, *NMHTTP1);
}

void TForm1::RunRequest(const std::function<void()>& request) {
    bool failed = false;
    std::exception_ptr error;
    try {
        request();
    } catch (...) {
        failed = true;
        error = std::current_exception();
    }
    // However the request ended (a reply, a refused connection, a time-out, the stop button),
    // the busy indicator ends with it, unless another request of this window still runs.
    if (!NMHTTP1->Busy()) EndBusy();
    // Released while waiting (the player quit): nothing more is shown; the window goes once this
    // handler has returned.
    if (ReleasePending()) throw EAbort();
    if (failed) std::rethrow_exception(error);
}

void TForm1::HandOver(bool showViewer) {
    // The memo turns every line break into CR LF and ends the text at a NUL byte; it refuses a
    // reply larger than it holds ("Text exceeds memo capacity"), and then nothing is shown.
    Memo->SetText(NMHTTP1->Body);
    const std::string text = Memo->Text();
    std::unique_ptr<char[]> buffer(new char[text.size() + 1]);
    std::memcpy(buffer.get(), text.c_str(), text.size() + 1);
    if (showViewer && !Viewer2->Visible()) Viewer2->Show();
    Viewer2->LoadBuffer(buffer.get(), text.size());
    ++pagesShown_;
    SetPropA(Handle(), kPagesShownProperty, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(pagesShown_)));
}

void TForm1::FocusButton1Click(TObject*) {
    AskProxyWhenFirst();
    std::optional<std::string> rating = RatingForItem(RatingsComboBox->ItemIndex());
    if (!rating) {
        MessageBoxA(Handle(), "Please select a Rating", "Error", MB_OK);
        return;
    }
    NMHTTP1->OutputFileMode = false;
    TPlayerQueries& player = Player();
    const int position = player.ListPosition();
    MP3Tag1->SetFilename(player.PlaylistFile(position));
    if (TagNeedsCompletion(*MP3Tag1)) {
        std::unique_ptr<TTagForm> dialog(new TTagForm(Application, *MP3Tag1, *pvlUrl1));
        MP3Tag1->SetFilename(player.PlaylistFile(position)); // read afresh for the dialog
        if (dialog->ShowModal() != mrOk) return;             // nothing sent, the rating stays selected
        MP3Tag1->WriteTag();
    }
    const std::string query = BuildRatingQuery(*MP3Tag1, *rating);
    Viewer2->ClearPage();
    SetCookieFieldFromStore();
    NMURL1->InputString = query;
    const std::string encoded = NMURL1->Encode();
    RunRequest([&] { NMHTTP1->Post(std::string(service::kBaseUrl) + std::string(service::kEnterRatingPage), encoded); });
    HandOver(true);
    RatingsComboBox->SetItemIndex(-1);
}

void TForm1::BitBtn5Click(TObject*) {
    AskProxyWhenFirst();
    Viewer2->ClearPage();
    SetCookieFieldFromStore();
    RunRequest([&] { NMHTTP1->Get(std::string(service::kBaseUrl) + std::string(service::kRecommendationsPage)); });
    HandOver(true);
}

void TForm1::Viewer2HotSpotClick(TObject*, const std::string& SRC, bool& Handled) {
    Handled = true; // the viewer does not follow the link itself
    GetURL(SRC);
}

void TForm1::GetURL(const std::string& url) {
    TLinkDecision link = RouteLink(url);
    if (link.route == TLinkRoute::Browser) {
        pvlUrl1->Url = link.url;
        pvlUrl1->OpenUrl();
        return;
    }
    // The cookie field holds what the last request left in it.
    RunRequest([&] { NMHTTP1->Get(link.url); });
    HandOver(false);
}

void TForm1::Viewer2FormSubmit(TObject*, const std::string& Action, const std::string&, const std::string&, const std::string&,
                               std::unique_ptr<TStringList> Results) {
    // The method, encoding and target are not looked at: every form is posted to its action.
    const std::string data = JoinFormResults(*Results);
    Results.reset();
    RunRequest([&] { NMHTTP1->Post(Action, data); });
    HandOver(false);
}

// ---------------------------------------------------------------- the busy indicator

void TForm1::NMHTTP1AboutToSend(TObject*) {
    ProgressTimer->SetEnabled(true);
    (WideLayout() ? StopButton : StopButtonSmall)->Show();
    SetScreenCursor(crHourGlass);
}

void TForm1::ProgressTimerTimer(TObject*) { ProgressBar->SetPosition(NextProgressPosition(ProgressBar->Position())); }

void TForm1::EndBusy() {
    ProgressTimer->SetEnabled(false);
    ProgressBar->SetPosition(0);
    StopButton->Hide();
    StopButtonSmall->Hide();
    SetScreenCursor(crDefault);
}

void TForm1::TakeOverCookie() {
    TRegistryUserStateStore store(*registry_);
    TakeOverReceivedCookie(store, *NMHTTP1);
}

void TForm1::NMHTTP1Success(int) {
    TakeOverCookie();
    EndBusy();
}

void TForm1::NMHTTP1Failure(int) { EndBusy(); }

void TForm1::NMHTTP1Redirect(bool&) {
    // The engine has put the raw received cookie ("ID=abc; path=/") into the cookie field; the
    // service knows the listener only as UserCookie, so its value is taken over instead.
    if (!NMHTTP1->ReceivedCookie.empty()) TakeOverCookie();
}

void TForm1::StopButtonClick(TObject*) {
    SetScreenCursor(crDefault);
    NMHTTP1->Abort();
    ProgressTimer->SetEnabled(false);
    ProgressBar->SetPosition(0);
    StopButtonSmall->Hide();
    StopButton->Hide();
}

// ---------------------------------------------------------------- pages outside the service

void TForm1::BitBtn6Click(TObject*) {
    const std::string local = MP3Remote->WinampDir() + std::string(service::kLocalManual);
    const DWORD attributes = GetFileAttributesA(local.c_str());
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    pvlUrl1->Url = exists ? local : std::string(service::kBaseUrl) + std::string(service::kManualPage);
    pvlUrl1->OpenUrl();
}

void TForm1::PellucorBtnLargeClick(TObject*) {
    pvlUrl1->Url = service::SponsorUrl();
    pvlUrl1->OpenUrl();
}

void TForm1::VelmorraBtnLargeClick(TObject*) {
    pvlUrl1->Url = service::MakerUrl();
    pvlUrl1->OpenUrl();
}
