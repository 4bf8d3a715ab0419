#include "brain/Layered.h"

namespace modules {

BrainPicture layeredPicture(const std::vector<int>& layerSizes, const std::vector<float>& genes,
                            const std::vector<float>& outputs)
{
    BrainPicture picture;
    std::vector<int> firstOfLayer;
    for (size_t k = 0; k < layerSizes.size(); ++k) {
        firstOfLayer.push_back(static_cast<int>(picture.nodes.size()));
        for (int n = 0; n < layerSizes[k]; ++n) {
            BrainNode node;
            node.kind = k == 0 ? BrainNode::INPUT : k + 1 == layerSizes.size() ? BrainNode::OUTPUT : BrainNode::HIDDEN;
            node.column = static_cast<int>(k);
            node.activation = outputs[picture.nodes.size()];
            picture.nodes.push_back(node);
        }
    }
    size_t gene = layerSizes.empty() ? 0 : static_cast<size_t>(layerSizes[0]); // layer 0: thresholds only
    for (size_t k = 1; k < layerSizes.size(); ++k) {
        for (int n = 0; n < layerSizes[k]; ++n) {
            for (int i = 0; i < layerSizes[k - 1]; ++i)
                picture.links.push_back({firstOfLayer[k - 1] + i, firstOfLayer[k] + n, genes[gene++]});
            ++gene; // the threshold
        }
    }
    return picture;
}

} // namespace modules
