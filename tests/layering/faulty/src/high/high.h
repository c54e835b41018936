#pragma once
#include "peer/peer.h"
