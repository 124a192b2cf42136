#pragma once
// The updater's main window: its components as stored with the form, the start
// timer and the update procedure.
#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "skin/MlSkinControls.h"

class TForm1 : public TForm {
 public:
  explicit TForm1(TComponent* AOwner);

  TMlSkinLabel* MlSkinLabel1 = nullptr;
  TMlSkinLabel* MlSkinLabel2 = nullptr;
  TMlSkinProgressBar* MlSkinProgressBar1 = nullptr;
  TMlSkinLabel* MlSkinLabel3 = nullptr;
  TTimer* Timer1 = nullptr;
  TMlSkinPanel* MlSkinPanel1 = nullptr;
  TImageEx* ImageEx1 = nullptr;

  void FormCreate(TObject* Sender);
  void Timer1Timer(TObject* Sender);
  void doUpDate();

  // Full path of "xconfig.ini" in the application directory.
  AnsiString IniPath;

 private:
  void LoadStoredForm();
};

// Ticks of Timer1 since the program started or the timer was restarted.
extern std::int32_t StartTicks;
