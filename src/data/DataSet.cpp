#include "DataSet.h"
