#pragma once
// The updater's main window, shown on the headless display with its start
// timer stopped, for the benchmarks to drive.
#include "app/Unit1.h"
#include "platform/CodePage.h"
#include "platform/headless/HeadlessDisplay.h"
#include "skin/MlSkinResManager.h"

struct MainWindowOnHeadlessDisplay {
  MainWindowOnHeadlessDisplay() {
    using namespace platform::literals;
    platform::SetDisplay(std::make_unique<platform::HeadlessDisplay>());
    InitializeSkinResources();
    app = new TApplication(nullptr);
    app->SetTitle("Quelbo自动更新"_cp936);
    form = app->CreateForm<TForm1>();
    form->Timer1->SetEnabled(false);
    form->SetVisible(true);
    app->ProcessMessages();
  }
  ~MainWindowOnHeadlessDisplay() {
    delete app;
    FinalizeSkinResources();
    platform::SetDisplay(nullptr);
  }
  MainWindowOnHeadlessDisplay(const MainWindowOnHeadlessDisplay&) = delete;
  MainWindowOnHeadlessDisplay& operator=(const MainWindowOnHeadlessDisplay&) = delete;

  TApplication* app = nullptr;
  TForm1* form = nullptr;
};
