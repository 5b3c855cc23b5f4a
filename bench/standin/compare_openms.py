#!/usr/bin/env python3
"""Side-by-side comparison of the stand-in engine (ivtool) with OpenMS tools on real data.

usage: compare_openms.py IVTOOL WORKDIR [EXAMPLES_DIR]

- LCMS-centroided.mzML: the three TIC peaks.
- BSA1.mzML: total ion current against TICCalculator; TIC peaks against MRMTransitionGroupPicker
  (fed our MS1 TIC as a chromatogram, Gaussian smoothing of 10 s and its default 50 s);
  combined apex spectra against SpectraMerger block mode (blocks of 3 MS1 scans, 5 ppm).
Times are wall-clock, best of three.
"""
import base64
import json
import math
import os
import re
import struct
import subprocess
import sys
import time
import xml.etree.ElementTree as ET

IVTOOL, WORK = sys.argv[1], sys.argv[2]
EXAMPLES = sys.argv[3] if len(sys.argv) > 3 else "/usr/share/doc/openms/examples"
os.makedirs(WORK, exist_ok=True)


def run(args, quiet=True):
    start = time.perf_counter()
    p = subprocess.run(args, capture_output=True, text=True)
    took = time.perf_counter() - start
    if p.returncode != 0:
        sys.exit(f"failed: {' '.join(args)}\n{p.stderr[-2000:]}")
    return p.stdout, took


def best_of(args, n=3):
    return min(run(args)[1] for _ in range(n))


def peaks(sample, *extra):
    out, _ = run([IVTOOL, "peaks", sample, *extra])
    return [json.loads(line) for line in out.splitlines() if line.strip()]


def chromatogram(sample, channel="TIC", function=1):
    out, _ = run([IVTOOL, "chrom", sample, "--channel", channel, "--function", str(function)])
    rows = [line.split() for line in out.splitlines() if not line.startswith("#")]
    return [(float(s), float(t), float(v)) for s, t, v in rows]


def combine(sample, scans, *extra):
    out, _ = run([IVTOOL, "combine", sample, "--scans", scans, "--threshold", "0", *extra])
    head, *rows = out.splitlines()
    return head, [(float(a), float(b)) for a, b in (r.split() for r in rows)]


def cosine(a, b, bin_width=0.01):
    def bins(points):
        d = {}
        for mz, v in points:
            d[round(mz / bin_width)] = d.get(round(mz / bin_width), 0) + v
        return d
    x, y = bins(a), bins(b)
    dot = sum(v * y.get(k, 0) for k, v in x.items())
    nx = math.sqrt(sum(v * v for v in x.values()))
    ny = math.sqrt(sum(v * v for v in y.values()))
    return dot / (nx * ny) if nx and ny else 0


def write_chromatogram_mzml(path, ident, times_s, values):
    def b64(v):
        return base64.b64encode(struct.pack(f"<{len(v)}d", *v)).decode()
    n = len(times_s)
    xml = f"""<?xml version="1.0" encoding="utf-8"?>
<mzML xmlns="http://psi.hupo.org/ms/mzml" version="1.1.0">
 <cvList count="2"><cv id="MS" fullName="PSI-MS" version="4.1.0" URI="https://raw.githubusercontent.com/HUPO-PSI/psi-ms-CV/master/psi-ms.obo"/>
  <cv id="UO" fullName="Unit Ontology" version="09:04:2014" URI="https://raw.githubusercontent.com/bio-ontology-research-group/unit-ontology/master/unit.obo"/></cvList>
 <fileDescription><fileContent><cvParam cvRef="MS" accession="MS:1000235" name="total ion current chromatogram"/></fileContent></fileDescription>
 <softwareList count="1"><software id="ivtool" version="1"><cvParam cvRef="MS" accession="MS:1000799" name="custom unreleased software tool" value="ivtool"/></software></softwareList>
 <instrumentConfigurationList count="1"><instrumentConfiguration id="IC"/></instrumentConfigurationList>
 <dataProcessingList count="1"><dataProcessing id="dp"><processingMethod order="0" softwareRef="ivtool"><cvParam cvRef="MS" accession="MS:1000544" name="Conversion to mzML"/></processingMethod></dataProcessing></dataProcessingList>
 <run id="run" defaultInstrumentConfigurationRef="IC">
  <chromatogramList count="1" defaultDataProcessingRef="dp">
   <chromatogram index="0" id="{ident}" defaultArrayLength="{n}">
    <cvParam cvRef="MS" accession="MS:1001473" name="selected reaction monitoring chromatogram"/>
    <precursor><isolationWindow><cvParam cvRef="MS" accession="MS:1000827" name="isolation window target m/z" value="500" unitCvRef="MS" unitAccession="MS:1000040" unitName="m/z"/></isolationWindow>
     <activation><cvParam cvRef="MS" accession="MS:1000133" name="collision-induced dissociation"/></activation></precursor>
    <product><isolationWindow><cvParam cvRef="MS" accession="MS:1000827" name="isolation window target m/z" value="400" unitCvRef="MS" unitAccession="MS:1000040" unitName="m/z"/></isolationWindow></product>
    <binaryDataArrayList count="2">
     <binaryDataArray encodedLength="{len(b64(times_s))}"><cvParam cvRef="MS" accession="MS:1000523" name="64-bit float"/><cvParam cvRef="MS" accession="MS:1000576" name="no compression"/><cvParam cvRef="MS" accession="MS:1000595" name="time array" unitCvRef="UO" unitAccession="UO:0000010" unitName="second"/><binary>{b64(times_s)}</binary></binaryDataArray>
     <binaryDataArray encodedLength="{len(b64(values))}"><cvParam cvRef="MS" accession="MS:1000523" name="64-bit float"/><cvParam cvRef="MS" accession="MS:1000576" name="no compression"/><cvParam cvRef="MS" accession="MS:1000515" name="intensity array" unitCvRef="MS" unitAccession="MS:1000131" unitName="number of detector counts"/><binary>{b64(values)}</binary></binaryDataArray>
    </binaryDataArrayList>
   </chromatogram>
  </chromatogramList>
 </run>
</mzML>
"""
    open(path, "w").write(xml)


def write_traml(path, ident):
    open(path, "w").write(f"""<?xml version="1.0" encoding="UTF-8"?>
<TraML version="1.0.0" xmlns="http://psi.hupo.org/ms/traml">
 <cvList><cv id="MS" fullName="Proteomics Standards Initiative Mass Spectrometry Ontology" version="3.26.0" URI="http://psidev.cvs.sourceforge.net/*checkout*/psidev/psi/psi-ms/mzML/controlledVocabulary/psi-ms.obo"/></cvList>
 <CompoundList><Peptide id="group" sequence="PEPTIDE"><cvParam cvRef="MS" accession="MS:1000041" name="charge state" value="2"/></Peptide></CompoundList>
 <TransitionList><Transition id="{ident}" peptideRef="group">
  <Precursor><cvParam cvRef="MS" accession="MS:1000827" name="isolation window target m/z" value="500"/></Precursor>
  <Product><cvParam cvRef="MS" accession="MS:1000827" name="isolation window target m/z" value="400"/></Product>
  <cvParam cvRef="MS" accession="MS:1001226" name="product ion intensity" value="1"/>
 </Transition></TransitionList>
</TraML>
""")


def openms_tic_peaks(chrom, gauss_width, subtract_background):
    """MRMTransitionGroupPicker on the TIC: features as (apex s, left s, right s, area)."""
    mzml, traml = os.path.join(WORK, "tic-chrom.mzML"), os.path.join(WORK, "tic.TraML")
    write_chromatogram_mzml(mzml, "TIC", [t * 60 for _, t, _ in chrom], [v for _, _, v in chrom])
    write_traml(traml, "TIC")
    ini = os.path.join(WORK, f"mrm-{gauss_width}.ini")
    run(["MRMTransitionGroupPicker", "-write_ini", ini])
    text = open(ini).read()
    text = re.sub(r'(name="gauss_width" value=")[^"]*', rf"\g<1>{gauss_width}", text)
    text = re.sub(r'(name="stop_after_intensity_ratio" value=")[^"]*', r"\g<1>0.01", text)
    text = re.sub(r'(name="integration_type" value=")[^"]*', r"\g<1>trapezoid", text)
    if subtract_background:
        # Like ours: a base-to-base baseline taken off, trapezoids over time (counts x s).
        text = re.sub(r'(name="background_subtraction" value=")[^"]*', r"\g<1>exact", text)
        text = re.sub(r'(name="baseline_type" value=")[^"]*', r"\g<1>base_to_base", text)
    open(ini, "w").write(text)
    out = os.path.join(WORK, f"tic-{gauss_width}-{int(subtract_background)}.featureXML")
    _, took = run(["MRMTransitionGroupPicker", "-ini", ini, "-in", mzml, "-tr", traml, "-out", out])
    features = []
    for f in ET.parse(out).getroot().find("featureList").findall("feature"):  # not the subordinates
        pos = [float(p.text) for p in f.findall("position")]
        area = float(f.find("intensity").text)
        params = {u.get("name"): u.get("value") for u in f.findall("UserParam")}
        features.append((pos[0], float(params.get("leftWidth", "nan")), float(params.get("rightWidth", "nan")), area))
    return sorted(features), took


def match(ours, theirs, tolerance_s):
    """Pairs nearest apexes within the tolerance, one to one."""
    pairs = sorted((abs(o["apex_rt"] * 60 - t[0]), i, j) for i, o in enumerate(ours) for j, t in enumerate(theirs))
    used_o, used_t, result = set(), set(), []
    for d, i, j in pairs:
        if d <= tolerance_s and i not in used_o and j not in used_t:
            used_o.add(i)
            used_t.add(j)
            result.append((i, j))
    return sorted(result)


def main():
    print("# Stand-in engine against OpenMS 2.6 on openms-doc examples\n")
    lcms = os.path.join(EXAMPLES, "LCMS-centroided.mzML")
    bsa = os.path.join(EXAMPLES, "BSA", "BSA1.mzML")
    lcms_ivs, bsa_ivs = os.path.join(WORK, "lcms.ivs"), os.path.join(WORK, "bsa1.ivs")

    run([IVTOOL, "import", lcms, lcms_ivs])
    p = peaks(lcms_ivs)
    print("## LCMS-centroided.mzML TIC peaks (expected about 4203, 4296, 4398 s)")
    for q in p:
        print(f"  apex {q['apex_rt'] * 60:8.1f} s  scan {q['apex_scan']:6.2f}  scans {q['start_scan']}-{q['end_scan']}  area {q['area']:.4g}")

    print("\n## BSA1.mzML import time against FileInfo (best of 3, wall clock, warm cache)")
    t_import = best_of([IVTOOL, "import", bsa, bsa_ivs])
    t_fileinfo = best_of(["FileInfo", "-in", bsa])
    print(f"  ivtool import {t_import:.3f} s, FileInfo {t_fileinfo:.3f} s, ratio import/FileInfo {t_import / t_fileinfo:.2f}")

    print("\n## BSA1.mzML total ion current against TICCalculator (all spectra)")
    out, t_tic = run(["TICCalculator", "-in", bsa])
    theirs = float(re.search(r"total ion current is ([0-9.e+]+)", out).group(1))
    ours = sum(v for _, _, v in chromatogram(bsa_ivs, "TIC", 1)) + sum(v for _, _, v in chromatogram(bsa_ivs, "TIC", 2))
    print(f"  ours {ours:.6g}, TICCalculator {theirs:.6g}, ratio {ours / theirs:.5f} (TICCalculator {t_tic:.2f} s)")

    print("\n## BSA1.mzML TIC peaks (MS1) against MRMTransitionGroupPicker on the same TIC")
    start = time.perf_counter()
    ours_p = peaks(bsa_ivs)
    t_ours = time.perf_counter() - start
    chrom = chromatogram(bsa_ivs)
    for width, subtract in ((10, False), (50, False), (10, True)):
        theirs_p, took = openms_tic_peaks(chrom, width, subtract)
        pairs = match(ours_p, theirs_p, 10)
        print(f"  gauss_width {width} s, background {'subtracted' if subtract else 'kept'}: ours {len(ours_p)} peaks "
              f"({t_ours:.3f} s incl. start-up), OpenMS {len(theirs_p)} peaks ({took:.2f} s); {len(pairs)} apexes agree within 10 s")
        if subtract:
            print("    ours apex s | OpenMS apex s | diff s | ours area (counts*s) | OpenMS area | ratio | ours / OpenMS borders s")
            ratios = []
            for i, j in pairs:
                o, t = ours_p[i], theirs_p[j]
                ratio = o["area"] * 60 / t[3] if t[3] else float("nan")
                ratios.append(ratio)
                print(f"    {o['apex_rt'] * 60:10.1f} | {t[0]:13.1f} | {o['apex_rt'] * 60 - t[0]:6.1f} | {o['area'] * 60:12.4g} | "
                      f"{t[3]:11.4g} | {ratio:5.2f} | {o['start_rt'] * 60:.0f}-{o['end_rt'] * 60:.0f} / {t[1]:.0f}-{t[2]:.0f}")
            if ratios:
                ratios.sort()
                print(f"    median area ratio {ratios[len(ratios) // 2]:.2f} (both: trapezoids over time above a base-to-base line)")

    print("\n## BSA1.mzML combined apex spectra against SpectraMerger (blocks of 3 MS1 scans, 5 ppm)")
    merged = os.path.join(WORK, "bsa1-merged.mzML")
    _, t_merge = run(["SpectraMerger", "-in", bsa, "-out", merged, "-merging_method", "block_method",
                      "-algorithm:block_method:rt_block_size", "3",
                      "-algorithm:block_method:ms_levels", "1", "-algorithm:mz_binning_width", "5",
                      "-algorithm:mz_binning_width_unit", "ppm"])
    merged_ivs = os.path.join(WORK, "bsa1-merged.ivs")
    run([IVTOOL, "import", merged, merged_ivs])
    print(f"  SpectraMerger {t_merge:.2f} s for the whole file")
    times = []
    for q in sorted(ours_p, key=lambda x: -x["height"])[:5]:
        apex = int(round(q["apex_scan"]))
        block = (apex - 1) // 3
        first, last = 3 * block + 1, 3 * block + 3
        start = time.perf_counter()
        head, mine = combine(bsa_ivs, f"{first}:{last}", "--ppm", "5")
        times.append(time.perf_counter() - start)
        _, theirs_s = combine(merged_ivs, f"{block + 1}")
        base_m = max(mine, key=lambda x: x[1])
        base_t = max(theirs_s, key=lambda x: x[1])
        tot_m, tot_t = sum(v for _, v in mine), sum(v for _, v in theirs_s)
        print(f"  scans {first}:{last} (apex {apex}): base peak ours {base_m[0]:.4f}/{base_m[1]:.4g}, SpectraMerger "
              f"{base_t[0]:.4f}/{base_t[1]:.4g}; peaks {len(mine)} vs {len(theirs_s)}; total intensity ratio "
              f"{tot_m / tot_t:.4f}; cosine {cosine(mine, theirs_s):.4f}")
    print(f"  ivtool combine of 3 scans: {min(times) * 1000:.1f} ms per call including start-up")


if __name__ == "__main__":
    main()
