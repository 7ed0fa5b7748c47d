#include "EngineModel.h"

#include <algorithm>

namespace
{
constexpr EngineModel engineModels[] = {
    // offset, ratio scale, attack, release, knee, colour, detector gain
    { 0.0f, 1.0f, 0.32f, 0.58f, 3.5f, 0.34f, 1.25f }, // standard
    { 1.6f, 1.0f, 0.22f, 0.42f, 5.2f, 0.40f, 1.34f }, // "99:1"
    { 2.2f, 1.0f, 0.06f, 0.28f, 4.5f, 0.64f, 1.52f }, // "ALL IN"
};
} // namespace

EngineModel EngineModel::forRatioMode (int ratioMode)
{
    return engineModels[std::clamp (ratioMode, 0, 2)];
}
