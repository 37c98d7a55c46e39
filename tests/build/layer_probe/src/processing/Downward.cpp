// Fine: processing stands on the FFT engine, the files and the core.
#include "core/Log.h"
#include "evaluation/workbook/CellRef.h"
#include "fft/FFTrec.h"
#include "files/NativeFile.h"
