#pragma once

namespace zentari {

class TForm1;
class TForm2;
class TForm3;
class TForm4;
class TForm5;
class TForm6;
class TForm7;
class TForm8;
class TForm9;

// The program's nine windows, created once at start-up in this order and kept
// for the whole run; windows reach one another through it.
struct Forms
{
    TForm1* Form1 = nullptr;
    TForm2* Form2 = nullptr;
    TForm3* Form3 = nullptr;
    TForm4* Form4 = nullptr;
    TForm5* Form5 = nullptr;
    TForm6* Form6 = nullptr;
    TForm7* Form7 = nullptr;
    TForm8* Form8 = nullptr;
    TForm9* Form9 = nullptr;
};

} // namespace zentari
