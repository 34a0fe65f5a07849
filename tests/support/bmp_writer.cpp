// BMP writer for the tests.
#include "support/bmp_writer.h"
