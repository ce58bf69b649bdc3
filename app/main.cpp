#include "app/korvane.h"

wxIMPLEMENT_APP(Korvane);
