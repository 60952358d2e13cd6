#pragma once

#include "foundation/base/Result.h"
#include "foundation/file/win/PathWin.h"
#include "foundation/str/StrBuffer.h"

namespace s::video::smartcut {
struct SmartCutResult;
}

namespace s::video::gui::dialogs::snipforge {

class Dialog;

/// One cut of the scene, on the cutter's worker task, from the planned names
/// to the report the window shows:
///
///  1. `plan`: the output's name below the output folder (the sub-folder
///     mode's folder is made here);
///  2. `reserve`: the name is claimed exclusively, so an entry that appears
///     meanwhile moves the cut on to the next number and is never
///     overwritten; the tool gets the output's alias, or a temporary file
///     when the alias cannot be handed to it;
///  3. `attemptSmart` (precise cuts): only the edges re-encoded;
///  4. `attempt`, and once more when `shouldRetry` says so (a lossless cut
///     whose first run failed);
///  5. `finish`: the scene moved into place, or what a failed or stopped
///     run left removed and the error report written;
///  6. `report`: the window is told; a stop is told nothing.
///
/// The job holds the dialog's model lock for its whole run, and the frame
/// grabber's lock while a converter runs. Nothing is overwritten and the
/// input is never touched: a failed cut leaves no output behind.
class CutJob {
public:
    CutJob(Dialog& dialog, const file::win::PathWin& input, i64 startUs, i64 endUs);
    ~CutJob();
    CutJob(const CutJob&) = delete;
    CutJob& operator=(const CutJob&) = delete;

    /// Runs every step. Task thread.
    void run();

private:
    /// False when there is nothing to cut (no file loaded) or the input went
    /// away (which is reported).
    bool plan();
    void reserve();
    /// True when the edges-only cut made the scene; otherwise what it wrote
    /// is left for the full re-encode and the dialog's note says why.
    bool attemptSmart();
    /// One run of the converter; `number` is 1 or 2 (the second seeks after
    /// opening the input).
    base::Result attempt(i32 number);
    bool shouldRetry(const base::Result& result, i32 number) const;
    /// What the cut came to once its files are in order.
    base::Result finish(const base::Result& run);
    void report(const base::Result& result);

    /// The reason for a whole re-encode, in the user's language where it is
    /// a common one.
    void appendSmartCutReason(str::strbuffer::StrBuffer& out,
                              const video::smartcut::SmartCutResult& result) const;
    /// Removes a partial file, retrying while it is still there (5 s).
    void removePartial(const file::win::PathWin& path);
    /// Removes the reserved output (unless another file took its name) and
    /// the temporary file.
    void removePartials();
    /// Writes the error report as "_error.txt" (numbered when taken) into
    /// the output folder; false when it could not be written.
    bool writeErrorReport();
    /// Keeps the in-process converter's log of an attempt in the error
    /// report, as the external runner does with the tool's output, and its
    /// first error for the failure message.
    void noteToolLog(const str::strbuffer::StrBuffer& lines, const str::strbuffer::StrBuffer& firstError);
    const file::win::PathWin& written() const { return m_temp ? *m_temp : *m_output; }

    Dialog& m_dialog;
    const file::win::PathWin& m_input;
    const i64 m_startUs;
    const i64 m_endUs;
    i32 m_mode = 0;
    bool m_external = false;

    file::win::PathHandle m_folder;
    file::win::PathHandle m_output;
    /// The file the tool writes when it cannot be given the output's alias.
    file::win::PathHandle m_temp;
    bool m_reserved = false;
    /// Another file holds the output's name: the cut must not touch it.
    bool m_foreignOutput = false;

    str::strbuffer::StrBuffer m_inputName;
    str::strbuffer::StrBuffer m_outName;
    str::strbuffer::StrBuffer m_outFolder;
    str::strbuffer::StrBuffer m_inputShort;
    /// The tool's output argument.
    str::strbuffer::StrBuffer m_outputArg;
    str::strbuffer::StrBuffer m_workDir;
    /// The status line while the converter runs.
    str::strbuffer::StrBuffer m_runStatus;
    /// The name the failure report gives: the output's, or where a scene
    /// that could not be renamed was kept.
    str::strbuffer::StrBuffer m_reportedName;
};

} // namespace s::video::gui::dialogs::snipforge
