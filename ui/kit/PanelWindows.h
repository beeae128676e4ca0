#pragma once
// The program's six windows, each created once at start-up; windows reach each other through it.
namespace tevra {

class TForm1;
class TForm2;
class TForm3;
class TForm4;
class TForm5;
class TComPortForm;

struct TPanelWindows {
  TForm4* Form4 = nullptr;
  TComPortForm* ComPortForm = nullptr;
  TForm1* Form1 = nullptr;
  TForm2* Form2 = nullptr;
  TForm3* Form3 = nullptr;
  TForm5* Form5 = nullptr;
};

}  // namespace tevra
