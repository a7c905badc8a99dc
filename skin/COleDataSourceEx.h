// The data source of the skin's drags. Unlike the framework's data source it
// takes data offered through IDataObject::SetData, which the shell's
// drag-image helper uses to store its own formats on the drag's data object.
#pragma once

#include "framework/COleDataSource.h"

namespace SkinControl
{

class COleDataSourceEx : public COleDataSource
{
protected:
    ~COleDataSourceEx() override = default;
    IDataObject* DataObjectInterface() override { return &m_xDataObj; }

    // The framework's data object, but what that refuses to set is cached.
    class XDataObj : public COleDataSource::XDataObject
    {
    public:
        explicit XDataObj(COleDataSourceEx* owner) : XDataObject(owner), m_owner(owner) {}
        HRESULT STDMETHODCALLTYPE SetData(FORMATETC* format, STGMEDIUM* medium, BOOL release) override;

    private:
        COleDataSourceEx* m_owner;
    };
    XDataObj m_xDataObj{this};
};

} // namespace SkinControl
