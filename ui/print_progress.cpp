#include "ui/print_progress.h"

#include <utility>

#include "base/ansi_text.h"
#include "base/localized_text.h"
#include "job/job_sender.h"
#include "spooler/spooler_access.h"
#include "resources/resource_ids.h"
#include "ui/progress_texts.h"
#include "ui/skin/window_centre.h"

namespace {

// Shown within a second, a little early so that it is there on time.
constexpr DWORD kShowAfterMs = 750;
constexpr UINT kUpdateTimer = 1;
constexpr UINT kUpdateMs = 200;

std::string Localized(const char* key, const char* english) {
    char text[kTextSize];
    GetLocalizedString("UI_SHEET", key, english, text, sizeof text);
    return text;
}

}  // namespace

FateFormats LocalizedFateFormats() {
    FateFormats f;
    f.printed = Localized("IDL_FATE_PRINTED", f.printed.c_str());
    f.printedPages = Localized("IDL_FATE_PRINTED_PAGES", f.printedPages.c_str());
    f.printedAtMost = Localized("IDL_FATE_PRINTED_ATMOST", f.printedAtMost.c_str());
    f.error = Localized("IDL_FATE_ERROR", f.error.c_str());
    f.noStatus = Localized("IDL_FATE_NOSTATUS", f.noStatus.c_str());
    f.unnamedError = Localized("IDL_FATE_UNNAMED_ERROR", f.unnamedError.c_str());
    // Only the conditions that stop a job are ever named in a fate line.
    static const char* const kKeys[] = {nullptr, nullptr, nullptr, "IDL_FATE_OUTOFPAPER", "IDL_FATE_PAPERJAM",
                                        "IDL_FATE_DOOROPEN", "IDL_FATE_TONEREMPTY", nullptr, "IDL_FATE_OFFLINE",
                                        "IDL_FATE_TRAYMISSING"};
    for (std::size_t i = 0; i < f.conditions.size() && i < sizeof kKeys / sizeof kKeys[0]; ++i)
        if (kKeys[i]) f.conditions[i] = Localized(kKeys[i], f.conditions[i].c_str());
    return f;
}

CPrintProgress::CPrintProgress() : m_frame(IDB_FRAME_ACTIVE, IDB_FRAME_INACTIVE, 0, 0) {
    m_background.Attach(IDB_DIALOG_BACKGROUND, 0);
}

CPrintProgress::~CPrintProgress() = default;

std::vector<JobSendResult> CPrintProgress::Run(HWND sheet, CTestPrint& printer, const std::vector<std::string>& paths,
                                               const StateTarget& target, bool askPrinter) {
    std::vector<std::uint64_t> sizes;
    for (const std::string& path : paths) sizes.push_back(DirectoryEntrySize(path.c_str()));
    HANDLE finished = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    m_bCancelled = false;
    m_fates.clear();
    // Following: the printer's state before the first send, each sent job's
    // identifier, then the wait on the worker thread once every file is tried.
    const int followSeconds = ReadFollowSeconds();
    std::atomic<bool> noStop{false};
    CSpoolerJobFateEdge edge(printer, target, noStop);
    CJobFollower follower(edge, askPrinter && target.Known(), followSeconds);
    std::vector<std::uint32_t> jobIds;
    bool before = false;
    m_pBatch.reset(new CPrintBatch(
        paths, sizes,
        [&](const std::string& path, JobWatch& watch) {
            if (followSeconds > 0 && !before) {
                before = true;
                follower.Before(0);
            }
            const JobSendResult result = SendFileToDevice(printer, path.c_str(), &watch);
            if (result == JobSendResult::kSent) jobIds.push_back(printer.LastJobId());
            return result;
        },
        [finished] { SetEvent(finished); }));
    if (followSeconds > 0) {
        m_pBatch->SetAfter([&](const std::vector<JobSendResult>&, const std::atomic<bool>& stop) {
            if (jobIds.empty()) return;
            edge.StopWith(stop);
            m_fates = follower.Follow(jobIds);
            // Stopped by the user: what following saw so far is no file's fate.
            if (stop) m_fates.clear();
        });
    }

    EnableWindow(sheet, FALSE);
    m_pBatch->Start();
    PumpUntilFinished(finished, kShowAfterMs);
    if (!m_pBatch->Finished())
        DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_PRINTPROGRESS), sheet, BoxProc,
                        reinterpret_cast<LPARAM>(this));
    // Without a box (it could not be made) the messages still flow: the worker may wait for one.
    while (!m_pBatch->Finished()) PumpUntilFinished(finished, kShowAfterMs);
    m_pBatch->Wait();
    EnableWindow(sheet, TRUE);

    std::vector<JobSendResult> results = m_pBatch->Results();
    m_bCancelled = m_pBatch->CancelRequested();
    m_pBatch.reset();
    CloseHandle(finished);
    return results;
}

void CPrintProgress::Cancel() {
    if (!m_pBatch) return;
    m_pBatch->Cancel();
    // Said at once: the spooler may take seconds to let the job go.
    if (m_hBox) {
        EnableWindow(GetDlgItem(m_hBox, IDCANCEL), FALSE);
        UpdateBox();
    }
}

void CPrintProgress::PumpUntilFinished(HANDLE finished, DWORD ms) {
    const DWORD start = GetTickCount();
    for (DWORD passed = 0; passed < ms; passed = GetTickCount() - start) {
        if (MsgWaitForMultipleObjects(1, &finished, FALSE, ms - passed, QS_ALLINPUT) != WAIT_OBJECT_0 + 1) return;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                return;
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

INT_PTR CALLBACK CPrintProgress::BoxProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_INITDIALOG) SetWindowLongPtrA(hwnd, DWLP_USER, lp);
    auto* self = reinterpret_cast<CPrintProgress*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    return self ? self->OnBoxMessage(hwnd, msg, wp, lp) : FALSE;
}

INT_PTR CPrintProgress::OnBoxMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    INT_PTR answer = FALSE;
    if (skin::HandleSkinDialogLook(hwnd, msg, wp, lp, m_frame, m_background, &answer)) return answer;
    switch (msg) {
    case WM_INITDIALOG:
        InitBox(hwnd);
        return TRUE;
    case WM_TIMER:
        if (wp != kUpdateTimer) break;
        // A box that outlives its batch (its run already over) only goes.
        if (!m_pBatch || m_pBatch->Finished()) {
            KillTimer(hwnd, kUpdateTimer);
            EndDialog(hwnd, 0);
        } else {
            UpdateBox();
        }
        return TRUE;
    case WM_COMMAND:
        // The Cancel button and Esc.
        if (LOWORD(wp) == IDCANCEL) {
            Cancel();
            return TRUE;
        }
        break;
    case WM_CLOSE:
        Cancel();
        return TRUE;
    case WM_DRAWITEM:
        if (wp == IDC_STATIC_PROGRESS_BAR) {
            DrawBar(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
            return TRUE;
        }
        break;
    case WM_DESTROY:
        m_hBox = nullptr;
        m_pCancel.reset();
        break;
    }
    return skin::ReflectToControl(hwnd, msg, wp, lp) ? TRUE : FALSE;
}

void CPrintProgress::InitBox(HWND box) {
    m_hBox = box;
    m_frame.Install(box);
    skin::CentreWindow(box, nullptr);  // over the sheet
    HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    for (int id : {IDC_STATIC_PROGRESS_FILE, IDC_STATIC_PROGRESS_FILEBYTES, IDC_STATIC_PROGRESS_ALLBYTES})
        SendDlgItemMessageA(box, id, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SetWindowTextA(box, Localized("IDL_TITLE", "Orvane").c_str());
    SetDlgItemTextA(box, IDCANCEL, Localized("IDL_CANCEL", "Cancel").c_str());
    m_pCancel.reset(new skin::CSkinButton(IDB_BUTTON_STRIP, 2, 0));
    m_pCancel->Attach(GetDlgItem(box, IDCANCEL));
    if (m_pBatch->CancelRequested()) EnableWindow(GetDlgItem(box, IDCANCEL), FALSE);
    m_formats = ProgressFormats{};
    ProgressFormats& f = m_formats;
    f.file = Localized("IDL_PROGRESS_FILE", f.file.c_str());
    f.fileBytes = Localized("IDL_PROGRESS_FILEBYTES", f.fileBytes.c_str());
    f.allBytes = Localized("IDL_PROGRESS_ALLBYTES", f.allBytes.c_str());
    f.cancelling = Localized("IDL_PROGRESS_CANCELLING", f.cancelling.c_str());
    f.following = Localized("IDL_PROGRESS_FOLLOWING", f.following.c_str());
    f.stopWaiting = Localized("IDL_PROGRESS_STOPWAITING", f.stopWaiting.c_str());
    UpdateBox();
    SetTimer(box, kUpdateTimer, kUpdateMs, nullptr);
}

void CPrintProgress::UpdateBox() {
    const ProgressTexts t = MakeProgressTexts(m_pBatch->Progress(), m_formats);
    // Only what changed is set: an unchanged text would flicker.
    const std::pair<int, const std::string*> lines[] = {{IDC_STATIC_PROGRESS_FILE, &t.file},
                                                        {IDC_STATIC_PROGRESS_FILEBYTES, &t.fileBytes},
                                                        {IDC_STATIC_PROGRESS_ALLBYTES, &t.allBytes}};
    for (const auto& line : lines) {
        char shown[kTextSize] = "";
        GetDlgItemTextA(m_hBox, line.first, shown, sizeof shown);
        if (*line.second != shown) SetDlgItemTextA(m_hBox, line.first, line.second->c_str());
    }
    if (t.permille != m_nPermille) {
        m_nPermille = t.permille;
        InvalidateRect(GetDlgItem(m_hBox, IDC_STATIC_PROGRESS_BAR), nullptr, FALSE);
    }
}

void CPrintProgress::DrawBar(const DRAWITEMSTRUCT& item) const {
    RECT all = item.rcItem;
    RECT done = all;
    done.right = all.left + static_cast<LONG>((all.right - all.left) * static_cast<long long>(m_nPermille) / 1000);
    RECT rest = all;
    rest.left = done.right;
    skin::GdiObject<HBRUSH> filled(CreateSolidBrush(RGB(58, 110, 165)));
    skin::GdiObject<HBRUSH> empty(CreateSolidBrush(RGB(255, 255, 255)));
    skin::GdiObject<HBRUSH> edge(CreateSolidBrush(RGB(120, 120, 120)));
    FillRect(item.hDC, &done, filled.get());
    FillRect(item.hDC, &rest, empty.get());
    FrameRect(item.hDC, &all, edge.get());
}
