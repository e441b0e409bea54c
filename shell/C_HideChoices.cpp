#include "shell/C_HideChoices.h"

#include <QSettings>

namespace {
const QString kGroup = QStringLiteral("Hide Options");
const QString kMatch = QStringLiteral("AddOrSubtractOne");
const QString kPair = QStringLiteral("PairPalette");
}  // namespace

void C_HideChoices::ReadFrom(QSettings& settings)
{
    settings.beginGroup(kGroup);
    m_options.m_bMatchEmbedding = settings.value(kMatch, false).toBool();
    m_options.m_bPairPalette = settings.value(kPair, false).toBool();
    settings.endGroup();
}

void C_HideChoices::WriteTo(QSettings& settings) const
{
    settings.beginGroup(kGroup);
    settings.setValue(kMatch, m_options.m_bMatchEmbedding);
    settings.setValue(kPair, m_options.m_bPairPalette);
    settings.endGroup();
}
