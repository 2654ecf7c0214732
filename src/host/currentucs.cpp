#include "host/currentucs.h"

#include "arx/dbdatabase.h"

AcGeMatrix3d currentUcs(AcDbDatabase* database)
{
    AcGeMatrix3d matrix;
    acdbUcsMatrix(matrix, database);
    return matrix;
}

AcGeVector3d currentUcsNormal(AcDbDatabase* database)
{
    AcGePoint3d normal;
    acdbUcs2Wcs(AcGePoint3d(0, 0, 1), normal, true, database);
    return normal.asVector();
}
