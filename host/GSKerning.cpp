#include "host/GSKerning.h"

void GSKerningDictionary::setObject(GSMasterKerning kerning, const std::string &masterId) {
    d_.setObject(std::move(kerning), masterId);
    changed();
}

void GSKerningDictionary::removeObjectForKey(const std::string &masterId) {
    if (d_.removeObjectForKey(masterId))
        changed();
}

void GSKerningDictionary::removeAllObjects() {
    d_.removeAllObjects();
    changed();
}

void GSKerningDictionary::refillMaster(const std::string &masterId,
                                       const std::function<void(GSMasterKerning &)> &refill) {
    GSMasterKerning *master = d_.objectForKey(masterId);
    if (master)
        master->removeAllObjects();
    else
        master = &d_.setObject(GSMasterKerning{}, masterId);
    if (refill)
        refill(*master);
    changed();
}

void GSKerningDictionary::updateMaster(const std::string &masterId,
                                       const std::function<void(GSMasterKerning &)> &update) {
    GSMasterKerning *master = d_.objectForKey(masterId);
    if (!master)
        master = &d_.setObject(GSMasterKerning{}, masterId);
    if (update)
        update(*master);
    changed();
}

void GSKerningDictionary::setValue(const std::string &masterId, const std::string &left,
                                   const std::string &right, double value) {
    GSMasterKerning *master = d_.objectForKey(masterId);
    if (!master)
        master = &d_.setObject(GSMasterKerning{}, masterId);
    GSKerningRow *row = master->objectForKey(left);
    if (!row)
        row = &master->setObject(GSKerningRow{}, left);
    row->setObject(value, right);
    changed();
}

void GSKerningDictionary::removeValue(const std::string &masterId, const std::string &left,
                                      const std::string &right) {
    GSMasterKerning *master = d_.objectForKey(masterId);
    GSKerningRow *row = master ? master->objectForKey(left) : nullptr;
    if (row && row->removeObjectForKey(right))
        changed();
}

double GSKerningDictionary::valueFor(const std::string &masterId, const std::string &left,
                                     const std::string &right) const {
    const GSMasterKerning *master = d_.objectForKey(masterId);
    const GSKerningRow *row = master ? master->objectForKey(left) : nullptr;
    const double *v = row ? row->objectForKey(right) : nullptr;
    return v ? *v : GSNoKerningValue;
}

const double *GSGroupKerningValue(const GSMasterKerning &kerning, const std::string &leftId,
                                  const std::string &rightId,
                                  const std::optional<std::string> &leftGroup,
                                  const std::optional<std::string> &rightGroup) {
    const auto find = [&](const std::string &left, const std::string &right) -> const double * {
        const GSKerningRow *row = kerning.objectForKey(left);
        return row ? row->objectForKey(right) : nullptr;
    };
    if (rightGroup)
        if (const double *v = find(leftId, GSRightGroupPrefix + *rightGroup))
            return v;
    if (leftGroup)
        if (const double *v = find(GSLeftGroupPrefix + *leftGroup, rightId))
            return v;
    if (leftGroup && rightGroup)
        return find(GSLeftGroupPrefix + *leftGroup, GSRightGroupPrefix + *rightGroup);
    return nullptr;
}
