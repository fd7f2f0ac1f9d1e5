// The sending of a Print batch: the files go to the spooler on a worker thread
// while the sheet, disabled, keeps painting and answering. A skinned box shows
// the progress from the first second on (a batch over sooner shows none); its
// Cancel and Esc stop the batch, aborting the job being sent.
#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "job/job_fate.h"
#include "job/print_batch.h"
#include "ui/progress_texts.h"
#include "ui/skin/skin_frame.h"
#include "ui/skin/skin_gdi.h"

class CTestPrint;

// The per-file fate lines as the language file words them ([UI_SHEET] IDL_FATE_*).
FateFormats LocalizedFateFormats();

class CPrintProgress {
public:
    CPrintProgress();
    ~CPrintProgress();
    CPrintProgress(const CPrintProgress&) = delete;
    CPrintProgress& operator=(const CPrintProgress&) = delete;

    // Sends `paths` in order and returns one result per file once the batch is
    // over; files a cancel kept from being sent count as kCancelled. Then, when
    // following is on, waits for the jobs' fate (Fates()), asking `target` for
    // the printer's state when `askPrinter`; the box's Cancel ends that wait only.
    std::vector<JobSendResult> Run(HWND sheet, CTestPrint& printer, const std::vector<std::string>& paths,
                                   const StateTarget& target = StateTarget(), bool askPrinter = false);
    // One per sent file, in order, of the last Run; empty when it followed nothing.
    const std::vector<FileFate>& Fates() const { return m_fates; }
    // Stops the running batch (the sheet is being closed); nothing when none runs.
    void Cancel();
    bool Running() const { return m_pBatch != nullptr; }
    bool WasCancelled() const { return m_bCancelled; }
    // The box while it is shown: the owner of messages shown during the batch.
    HWND Box() const { return m_hBox; }

private:
    static INT_PTR CALLBACK BoxProc(HWND, UINT, WPARAM, LPARAM);
    INT_PTR OnBoxMessage(HWND, UINT, WPARAM, LPARAM);
    void InitBox(HWND box);
    void UpdateBox();
    void DrawBar(const DRAWITEMSTRUCT& item) const;
    // Dispatches messages until the batch ends or `ms` have passed.
    void PumpUntilFinished(HANDLE finished, DWORD ms);

    std::unique_ptr<CPrintBatch> m_pBatch;
    std::vector<FileFate> m_fates;
    HWND m_hBox = nullptr;
    ProgressFormats m_formats;
    int m_nPermille = 0;
    bool m_bCancelled = false;
    skin::CSkinFrame m_frame;
    skin::CSkinBackground m_background;
    std::unique_ptr<skin::CSkinButton> m_pCancel;
};
