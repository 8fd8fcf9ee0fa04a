"""Reads the NF-e 4.00 schema: for a group of infNFe, every descendant element and attribute with its
maximum length, enumeration and whether it is required whenever the group is present.
Drafting aid for the dataset dictionaries; not part of the build."""
import math
import xml.etree.ElementTree as ET

XS = '{http://www.w3.org/2001/XMLSchema}'


def regex_max(p):
    pos = 0

    def alt():
        nonlocal pos
        best = seq()
        while pos < len(p) and p[pos] == '|':
            pos += 1
            best = max(best, seq())
        return best

    def seq():
        nonlocal pos
        total = 0
        while pos < len(p) and p[pos] not in '|)':
            total += quant(atom())
        return total

    def atom():
        nonlocal pos
        c = p[pos]
        if c == '(':
            pos += 1
            v = alt()
            pos += 1  # ')'
            return v
        if c == '[':
            pos += 1
            depth = 1
            while depth:
                if p[pos] == '\\':
                    pos += 2
                    continue
                if p[pos] == '[':
                    depth += 1
                elif p[pos] == ']':
                    depth -= 1
                pos += 1
            return 1
        if c == '\\':
            pos += 2
            return 1
        pos += 1
        return 1

    def quant(v):
        nonlocal pos
        if pos >= len(p):
            return v
        c = p[pos]
        if c == '?':
            pos += 1
            return v
        if c in '*+':
            pos += 1
            return math.inf if v else 0
        if c == '{':
            end = p.index('}', pos)
            body = p[pos + 1:end]
            pos = end + 1
            if ',' in body:
                lo, hi = body.split(',')
                return math.inf if hi == '' else v * int(hi)
            return v * int(body)
        return v

    return alt()


class Schema:
    def __init__(self, paths):
        self.simple = {}
        self.complex = {}
        for path in paths:
            root = ET.parse(path).getroot()
            for st in root.findall(XS + 'simpleType'):
                self.simple[st.get('name')] = st
            for ct in root.findall(XS + 'complexType'):
                self.complex[ct.get('name')] = ct
            for el in root.findall(XS + 'element'):
                pass

    def type_info(self, st):
        """(maxlen, enums, freetext) of a simpleType element."""
        r = st.find(XS + 'restriction')
        if r is None:
            return (None, None, False)
        base = r.get('base', '')
        if base.startswith('xs:') or base.startswith('ds:'):
            bmax, benum, bfree = (math.inf if base == 'xs:string' else None), None, False
        else:
            bmax, benum, bfree = self.type_info(self.simple[base])
            bfree = bfree or base == 'TString'
        bounds = []
        pats = [f.get('value') for f in r.findall(XS + 'pattern')]
        if pats:
            bounds.append(max(regex_max(x) for x in pats))
        for tag in ('maxLength', 'length'):
            f = r.find(XS + tag)
            if f is not None:
                bounds.append(int(f.get('value')))
        enums = [f.get('value') for f in r.findall(XS + 'enumeration')]
        if enums:
            bounds.append(max(len(e) for e in enums))
        if bmax is not None:
            bounds.append(bmax)
        m = min(bounds) if bounds else None
        free = bfree or any('!-ÿ' in x for x in pats)
        return (m, enums or benum, free)

    def element_type(self, el):
        t = el.get('type')
        if t:
            if t in self.simple:
                return ('simple', self.simple[t])
            if t in self.complex:
                return ('complex', self.complex[t])
            return ('builtin', t)
        st = el.find(XS + 'simpleType')
        if st is not None:
            return ('simple', st)
        ct = el.find(XS + 'complexType')
        if ct is not None:
            return ('complex', ct)
        return ('builtin', 'xs:string')

    def children(self, ct, required=True):
        """(kind, node, required) for the elements and attributes of a complexType."""
        out = []
        for a in ct.iter(XS + 'attribute'):
            out.append(('attr', a, a.get('use') == 'required'))

        def walk(node, req):
            for ch in node:
                if ch.tag == XS + 'element':
                    out.append(('elem', ch, req and ch.get('minOccurs') != '0'))
                elif ch.tag in (XS + 'sequence',):
                    walk(ch, req and ch.get('minOccurs') != '0')
                elif ch.tag == XS + 'choice':
                    walk(ch, False)
                elif ch.tag in (XS + 'complexContent', XS + 'simpleContent', XS + 'extension', XS + 'restriction'):
                    walk(ch, req)
        walk(ct, True)
        return out

    def find_group(self, ct, path):
        """The complexType of the element at path (names below ct)."""
        for name in path:
            nxt = None
            for kind, node, _ in self.children(ct):
                if kind == 'elem' and node.get('name') == name:
                    k, t = self.element_type(node)
                    nxt = t
                    break
            if nxt is None:
                raise KeyError(name)
            ct = nxt
        return ct

    def descendants(self, ct, prefix='', req=True):
        """Every descendant leaf: dict name -> list of (path, maxlen, enums, required, freetext, isattr)."""
        res = {}
        for kind, node, r in self.children(ct):
            name = node.get('name')
            if name is None:
                continue
            path = prefix + '/' + name
            if kind == 'attr':
                st = node.find(XS + 'simpleType')
                t = node.get('type')
                info = self.type_info(st if st is not None else self.simple[t]) if (st is not None or t in self.simple) else (None, None, False)
                res.setdefault(name, []).append((path, info[0], info[1], req and r, info[2], True))
                continue
            k, t = self.element_type(node)
            if k == 'complex':
                for n, lst in self.descendants(t, path, req and r).items():
                    res.setdefault(n, []).extend(lst)
                # a complex element with simple content (e.g. with attributes) is also a leaf
                sc = t.find(XS + 'simpleContent')
                if sc is not None:
                    ext = sc.find(XS + 'extension')
                    info = self.type_info(self.simple[ext.get('base')]) if ext is not None and ext.get('base') in self.simple else (None, None, False)
                    res.setdefault(name, []).append((path, info[0], info[1], req and r, info[2], False))
            elif k == 'simple':
                info = self.type_info(t)
                res.setdefault(name, []).append((path, info[0], info[1], req and r, info[2], False))
            else:
                res.setdefault(name, []).append((path, None, None, req and r, False, False))
        return res
