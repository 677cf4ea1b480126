// Everything a plug-in includes to reach the host.
#pragma once

#include "host/ClassDesc.h"
#include "host/FunctionPublishing.h"
#include "host/Geom.h"
#include "host/GraphicsWindow.h"
#include "host/Interface.h"
#include "host/Mesh.h"
#include "host/Node.h"
#include "host/Notify.h"
#include "host/Objects.h"
#include "host/ParamBlock.h"
#include "host/ParamMap.h"
#include "host/Reference.h"
#include "host/Save.h"
#include "host/ScriptSet.h"
#include "host/Types.h"
#include "host/Win.h"
