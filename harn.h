// Umbrella header: including it gives every public class of the library.
#pragma once

#include "platform/CFile.h"
#include "platform/CStdioFile.h"
#include "platform/CString.h"
#include "platform/Clock.h"
#include "platform/Encoding.h"
#include "platform/FailureLog.h"
#include "platform/FaultInjection.h"
#include "platform/FileSystem.h"
#include "platform/Types.h"
#include "platform/UserInterface.h"

#include "list/Utilities.h"
#include "list/list0.h"

#include "host/CAutoIni.h"
#include "host/CDirSort.h"
#include "host/CProjPath.h"

#include "database/CHarnDbs.h"
#include "database/dbstype.h"
#include "database/harnbhdtype.h"

#include "borehole/CKarnborr.h"
#include "borehole/CRegBorr.h"
#include "borehole/CVattenF.h"

#include "mapping/CBergOrMateLista.h"
#include "mapping/CForstSystem.h"
#include "mapping/CForstTyper.h"
#include "mapping/CHellar.h"
#include "mapping/CHkolista.h"
#include "mapping/CInjSystem.h"
#include "mapping/CLinjeData.h"
#include "mapping/LibraryFile.h"
#include "mapping/bergmattype.h"
#include "mapping/fortype.h"
#include "mapping/helltype.h"
#include "mapping/injtype.h"
#include "mapping/kokotype.h"
#include "mapping/lintype.h"
#include "mapping/systype.h"
