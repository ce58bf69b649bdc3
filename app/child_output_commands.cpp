// The child window's commands that take the view out of the program (image files, printouts)
// and the printout's title.
#include <wx/bitmap.h>
#include <wx/cmndata.h>
#include <wx/image.h>
#include <wx/printdlg.h>

#include "app/app_context.h"
#include "app/core/command_ids.h"
#include "app/core/image_path.h"
#include "app/my_child.h"
#include "app/my_frame.h"
#include "app/my_printout.h"
#include "app/print_service.h"
#include "app/prompts.h"
#include "canvas/my_canvas.h"
#include "db/error.h"
#include "db/staged_output.h"

namespace {

std::string ToUtf8(const wxString& text) { return std::string(text.utf8_str()); }

}  // namespace

void MyChild::OnSaveImage(int id) {
  const bool jpeg = id == kCmdSaveJpeg;
  // Before the first paint there is no picture to save.
  const wxBitmap drawn = canvas->DrawnImage();
  if (!drawn.IsOk()) {
    SetChildStatus(1, "Nothing drawn yet");
    return;
  }
  const std::string chosen =
      jpeg ? ThePrompts().AskFileToSave("Save an image to JPEG file",
                                        "Image Files(*.jpg,*.jpeg)|*.jp*g|All files(*.*)|*.*", "")
           : ThePrompts().AskFileToSave("Save an image to BMP file", "Image Files(*.bmp)|*.bmp|All files(*.*)|*.*", "");
  if (chosen.empty()) return;
  StagedOutput output;
  const wxString path = wxString::FromUTF8(output.Begin(CompleteImagePath(chosen, jpeg ? "jpg" : "bmp")));
  // A failed save is reported by the toolkit's error log.
  const bool saved = jpeg ? drawn.ConvertToImage().SaveFile(path, wxBITMAP_TYPE_JPEG)
                          : drawn.SaveFile(path, wxBITMAP_TYPE_BMP, nullptr);
  if (!saved) return;
  try {
    output.Commit(kTagSystem);
  } catch (const Error& error) {
    frame_->ReportError(error.Tag(), error.Message());
  }
}

void MyChild::OnPrint(int) {
  AppContext& context = frame_->Context();
  wxPrintDialogData data(context.PrintData());
  MyPrintout printout(frame_);
  switch (ThePrintService().Print(this, printout, data)) {
    case PrintService::Outcome::kPrinted: context.PrintData() = data.GetPrintData(); break;
    case PrintService::Outcome::kPrinterError:
      ThePrompts().MessageBox(this, "Problem in printing.\nPerhaps your current printer is not set correctly?",
                              "Printing", wxOK);
      break;
    case PrintService::Outcome::kCancelled: break;
  }
}

void MyChild::OnPageSetup(int) {
  AppContext& context = frame_->Context();
  context.PageSetupData() = context.PrintData();
  ThePrintService().PageSetup(this, context.PageSetupData());
  context.PrintData() = context.PageSetupData().GetPrintData();
}

void MyChild::OnChangeTitle(int) {
  AppContext& context = frame_->Context();
  // The shared title starts as the title of the first window that asks for it.
  if (context.LastTitle().empty()) context.SetLastTitle(ToUtf8(GetTitle()));
  const wxString answer = ThePrompts().GetText("Enter the new title for current image", "Change Title",
                                               wxString::FromUTF8(context.LastTitle()));
  if (answer.empty()) return;
  context.SetLastTitle(ToUtf8(answer));
  SetTitle(answer);
}
