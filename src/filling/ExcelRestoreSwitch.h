#pragma once

// The options window's switch "Устанавливать при старте диапазон ячеек Excel
// как при последнем запуске": on, the range window opens with the range of
// nstrint.dan; off, with the defaults.
bool restoreExcelRange();
