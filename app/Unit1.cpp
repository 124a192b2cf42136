#include "app/Unit1.h"

#include "app/ProgramEnvironment.h"
#include "app/update/UpdateJob.h"
#include "platform/CodePage.h"
#include "resources/Resources.h"

using namespace platform::literals;

namespace {

void LoadPng(TIcon* icon, const char* name) {
  if (const EmbeddedResource* r = FindResource(name)) {
    TMemoryStream s;
    s.WriteBuffer(r->data, static_cast<std::int64_t>(r->size));
    s.SetPosition(0);
    icon->LoadFromStream(s);
  }
}

// A stored picture: the length of the graphic class's name, the name, then
// the graphic's own stream (here the PNG file of the embedded resource).
void LoadStoredPicture(TPicture* picture, const AnsiString& graphicClass, const char* name) {
  const EmbeddedResource* r = FindResource(name);
  if (!r) return;
  TMemoryStream s;
  const auto n = static_cast<unsigned char>(graphicClass.size());
  s.WriteBuffer(&n, 1);
  s.WriteBuffer(graphicClass.data(), n);
  s.WriteBuffer(r->data, static_cast<std::int64_t>(r->size));
  s.SetPosition(0);
  picture->ReadData(s);
}

}  // namespace

TForm1::TForm1(TComponent* AOwner) : TForm(AOwner) {
  BeginLoading();
  LoadStoredForm();
  EndLoading();
  SetEnvironment(ProgramEnvironment());
  // Closing the window must end the program even while a transfer waits on a
  // server that has stopped answering or between two attempts: the update
  // stops its fetch, and a closed connection ends the blocking read at its
  // next message dispatch.
  OnClose = [this](TObject*, TCloseAction&) {
    if (job_) job_->Cancel();
    HttpClient1->Disconnect();
    HttpClient2->Disconnect();
  };
}

TForm1::~TForm1() = default;

// The window's stored properties, applied in stored order.
void TForm1::LoadStoredForm() {
  SetName("Form1");
  SetBounds(193, 208, 444, 141);
  SetPosition(TPosition::poDesktopCenter);
  SetCaption("Form1");
  SetColor(clBtnFace);
  Font()->SetName("MS Sans Serif");
  Font()->SetHeight(-11);
  Font()->SetCharset(DEFAULT_CHARSET);
  Font()->SetColor(clWindowText);
  LoadPng(Icon(), "icon.png");
  OnCreate = [this](TObject* s) { FormCreate(s); };
  SetPixelsPerInch(96);
  SetTextHeight(13);

  LoadStoredComponents();

  MlSkinLabel1 = new TMlSkinLabel(this);
  MlSkinLabel1->SetName("MlSkinLabel1");
  MlSkinLabel1->SetParent(this);
  MlSkinLabel1->SetBounds(353, 35, 48, 13);
  MlSkinLabel1->SetCaption("软件大小"_cp936);
  MlSkinLabel1->SetAutoInvalidate(true);

  MlSkinLabel2 = new TMlSkinLabel(this);
  MlSkinLabel2->SetName("MlSkinLabel2");
  MlSkinLabel2->SetParent(this);
  MlSkinLabel2->SetBounds(168, 80, 64, 13);
  MlSkinLabel2->SetCaption("MlSkinLabel2");
  MlSkinLabel2->SetEnabled(false);
  MlSkinLabel2->SetVisible(false);
  MlSkinLabel2->SetAutoInvalidate(true);

  MlSkinProgressBar1 = new TMlSkinProgressBar(this);
  MlSkinProgressBar1->SetName("MlSkinProgressBar1");
  MlSkinProgressBar1->SetParent(this);
  MlSkinProgressBar1->SetBounds(104, 32, 241, 17);
  MlSkinProgressBar1->SetBar_Progress("MlSkinBar_cur");
  MlSkinProgressBar1->SetBar_Background("MlSkinBar_base");
  MlSkinProgressBar1->SetValue(0);
  MlSkinProgressBar1->Caption()->Font()->SetName("MS Sans Serif");
  MlSkinProgressBar1->Caption()->Font()->SetHeight(-11);

  MlSkinForm1 = new TMlSkinForm(this);
  MlSkinForm1->SetName("MlSkinForm1");
  MlSkinForm1->SetColor(35583);
  TMlSkinMainMenu* menu = MlSkinForm1->MainMenu();
  menu->Font()->SetName("MS Sans Serif");
  menu->Font()->SetHeight(-11);
  menu->Pos()->SetAlign(TNCCtrlAlign::caLeft);
  menu->Pos()->SetXValue(5);
  menu->Pos()->SetYValue(5);
  menu->Pos()->UseDefault = false;
  menu->Pictures()->SetActive(true);
  menu->Pictures()->SetImage("MlSkinFlatBtn");
  menu->Pictures()->SetNormal(0);
  menu->Pictures()->SetHot(1);
  menu->Pictures()->SetPressed(2);
  menu->Pictures()->SetDisable(0);
  menu->Pictures()->SetCount(3);
  menu->HotColor = 11463932;
  menu->PressColor = 8184058;

  MlSkinLabel3 = new TMlSkinLabel(this);
  MlSkinLabel3->SetName("MlSkinLabel3");
  MlSkinLabel3->SetParent(this);
  MlSkinLabel3->SetBounds(192, 60, 64, 13);
  MlSkinLabel3->SetCaption("MlSkinLabel3");
  MlSkinLabel3->SetAutoInvalidate(true);

  Timer1 = new TTimer(this);
  Timer1->SetName("Timer1");
  Timer1->SetOnTimer([this](TObject* s) { Timer1Timer(s); });

  MlSkinNCLabel1 = new TMlSkinNCLabel(this);
  MlSkinNCLabel1->SetName("MlSkinNCLabel1");
  MlSkinNCLabel1->SetCaption("Quelbo自动更新"_cp936);
  MlSkinNCLabel1->Pos()->SetAlign(TNCCtrlAlign::caLeft);
  MlSkinNCLabel1->Pos()->SetXValue(5);
  MlSkinNCLabel1->Pos()->SetYValue(5);
  MlSkinNCLabel1->Pos()->UseDefault = false;
  MlSkinNCLabel1->Font()->SetName("MS Sans Serif");
  MlSkinNCLabel1->Font()->SetHeight(-11);

  MlSkinPanel1 = new TMlSkinPanel(this);
  MlSkinPanel1->SetName("MlSkinPanel1");
  MlSkinPanel1->SetParent(this);
  MlSkinPanel1->SetBounds(8, 5, 94, 89);
  MlSkinPanel1->SetAlpha(0);
  MlSkinPanel1->SetBorderSides(0);
  MlSkinPanel1->SetDoubleBuffered(false);

  ImageEx1 = new TImageEx(this);
  ImageEx1->SetName("ImageEx1");
  ImageEx1->SetParent(MlSkinPanel1);
  ImageEx1->SetBounds(8, 4, 80, 70);
  LoadStoredPicture(ImageEx1->Picture(), "TPngGraphic", "logo.png");
}

// The non-visual components, in declaration order, with their stored settings.
void TForm1::LoadStoredComponents() {
  auto storeHttpSettings = [](THttpClient* c) {
    c->SetMaxLineAction(maException);
    c->SetReadTimeout(0);
    c->SetAllowCookies(true);
    c->ProxyParams().ProxyPort = 0;
    c->ProxyParams().BasicAuthentication = false;
    THttpRequest& r = c->Request();
    r.ContentLength = -1;
    r.ContentRangeStart = 0;
    r.ContentRangeEnd = 0;
    r.ContentType = "text/html";
    r.Accept = "text/html, */*";
    r.BasicAuthentication = false;
    r.UserAgent = "Mozilla/3.0 (compatible; Quelbo Updater)";
    c->SetHTTPOptions(hoForceEncodeParams);
  };

  HttpClient1 = new THttpClient(this);
  HttpClient1->SetName("HttpClient1");
  storeHttpSettings(HttpClient1);

  ZipExtractor1 = new TZipExtractor(this);
  ZipExtractor1->SetName("ZipExtractor1");

  MessagePump1 = new TMessagePump(this);
  MessagePump1->SetName("MessagePump1");

  HttpClient2 = new THttpClient(this);
  HttpClient2->SetName("HttpClient2");
  storeHttpSettings(HttpClient2);
  // The work handlers follow the package's download as a whole, across its
  // attempts (ShowDownload), not each response of the client.
}

void TForm1::FormCreate(TObject*) { MlSkinLabel3->SetCaption("正在检测版本..."_cp936); }

void TForm1::Timer1Timer(TObject*) {
  ++StartTicks;
  if (StartTicks == 2) doUpDate();  // which shows "正在更新..." first
}
