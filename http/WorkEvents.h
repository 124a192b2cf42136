#pragma once
// Progress ("work") events of a transfer.
#include <cstdint>
#include <functional>

#include "core/Classes.h"

enum TWorkMode { wmRead, wmWrite };

using TWorkBeginEvent = std::function<void(TObject* Sender, TWorkMode AWorkMode, std::int32_t AWorkCountMax)>;
using TWorkEvent = std::function<void(TObject* Sender, TWorkMode AWorkMode, std::int32_t AWorkCount)>;
using TWorkEndEvent = std::function<void(TObject* Sender, TWorkMode AWorkMode)>;
