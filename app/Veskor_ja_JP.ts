<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP">
<context>
    <name>AMeasP</name>
    <message>
        <source>0</source>
        <translation>0</translation>
    </message>
    <message>
        <source>%1, line %2</source>
        <translation>%1、%2 行目</translation>
    </message>
    <message>
        <source>A Meas Point</source>
        <translation>測定点</translation>
    </message>
    <message>
        <source>I0</source>
        <translation>I0</translation>
    </message>
    <message>
        <source>ICRs</source>
        <translation>ICRs</translation>
    </message>
    <message>
        <source>SCAs</source>
        <translation>SCAs</translation>
    </message>
    <message>
        <source>Use this point in the fit. Unchecked, the point is left out of the fit and drawn as a ring.</source>
        <translation>この点をフィットに使います。チェックを外すと、この点はフィットから除かれ、白抜きの円で描かれます。</translation>
    </message>
    <message>
        <source>The fit needs at least two points.</source>
        <translation>フィットには少なくとも 2 点が必要です。</translation>
    </message>
    <message>
        <source>row %1, line %2</source>
        <translation>%1 番目の行（%2 行目）</translation>
    </message>
    <message>
        <source>point %1</source>
        <translation>%1 点目</translation>
    </message>
    <message>
        <source>%1, %2</source>
        <translation>%1、%2</translation>
    </message>
    <message>
        <source>%1, scan %2, %3</source>
        <translation>%1、スキャン %2、%3</translation>
    </message>
</context>
<context>
    <name>Body</name>
    <message>
        <source>0</source>
        <translation>0</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>クリア</translation>
    </message>
    <message>
        <source>Veskor</source>
        <translation>Veskor</translation>
    </message>
    <message>
        <source>Veskor — %1 of %2 points loaded</source>
        <translation>Veskor — %2 点中 %1 点を読込</translation>
    </message>
    <message>
        <source>I0 Back Ground</source>
        <translation>I0バックグラウンド</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>終了</translation>
    </message>
    <message>
        <source>Read File(s)</source>
        <translation>ファイル読込</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>保存</translation>
    </message>
    <message>
        <source>Tau0s (preAmp)</source>
        <translation>τ0 (preAmp)</translation>
    </message>
    <message>
        <source>Taus (Amp)</source>
        <translation>τ (Amp)</translation>
    </message>
    <message>
        <source>Model</source>
        <translation>モデル</translation>
    </message>
    <message>
        <source>Plots</source>
        <translation>プロット</translation>
    </message>
    <message>
        <source>Results table</source>
        <translation>結果一覧</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>コピー</translation>
    </message>
    <message>
        <source>Save table…</source>
        <translation>表を保存…</translation>
    </message>
    <message>
        <source>CSV (*.csv)</source>
        <translation>CSV (*.csv)</translation>
    </message>
    <message>
        <source>The table could not be written to %1.</source>
        <translation>表を %1 に書き込めませんでした。</translation>
    </message>
    <message>
        <source>ICR vs I0</source>
        <translation>ICR vs I0</translation>
    </message>
    <message>
        <source>SCA vs ICR</source>
        <translation>SCA vs ICR</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>すべてのファイル (*)</translation>
    </message>
    <message>
        <source>Scan files: SPEC, XDI, XDAC, CSV, HDF5 (*.spec *.xdi *.[0-9][0-9][0-9] *.csv *.tsv *.txt *.dat *.h5 *.hdf5 *.hdf *.nxs)</source>
        <translation>スキャンファイル: SPEC, XDI, XDAC, CSV, HDF5 (*.spec *.xdi *.[0-9][0-9][0-9] *.csv *.tsv *.txt *.dat *.h5 *.hdf5 *.hdf *.nxs)</translation>
    </message>
    <message>
        <source>MCA spectra and count tables (*.mca *.dat *.txt)</source>
        <translation>MCA スペクトルとカウント表 (*.mca *.dat *.txt)</translation>
    </message>
    <message>
        <source>Not every scan file could be read as asked.</source>
        <translation>一部のスキャンファイルを指定どおりに読み込めませんでした。</translation>
    </message>
    <message>
        <source>τ0 of channel %1</source>
        <translation>チャンネル %1 の τ0</translation>
    </message>
    <message>
        <source>τ of channel %1</source>
        <translation>チャンネル %1 の τ</translation>
    </message>
    <message>
        <source>τ0 of channels %1</source>
        <translation>チャンネル %1 の τ0</translation>
    </message>
    <message>
        <source>τ of channels %1</source>
        <translation>チャンネル %1 の τ</translation>
    </message>
    <message>
        <source>This scan does not determine %1 with the %2 model. What should the files hold in their place?</source>
        <translation>このスキャンでは %2 モデルで %1 を決められません。ファイルには代わりに何を書きますか？</translation>
    </message>
    <message>
        <source>Channel %1, %2: %3</source>
        <translation>チャンネル %1、%2: %3</translation>
    </message>
    <message>
        <source>The quadratic&apos;s constants</source>
        <translation>二次式の定数</translation>
    </message>
    <message>
        <source>Zero</source>
        <translation>ゼロ</translation>
    </message>
    <message>
        <source>View</source>
        <translation>表示</translation>
    </message>
    <message>
        <source>Counts</source>
        <translation>カウント</translation>
    </message>
    <message>
        <source>Ratio</source>
        <translation>比</translation>
    </message>
    <message>
        <source>Residuals</source>
        <translation>残差</translation>
    </message>
    <message>
        <source>ICR/I0 vs I0</source>
        <translation>ICR/I0 vs I0</translation>
    </message>
    <message>
        <source>ICR: (data − model)/σ vs I0</source>
        <translation>ICR: (データ − モデル)/σ vs I0</translation>
    </message>
    <message>
        <source>SCA/ICR vs ICR</source>
        <translation>SCA/ICR vs ICR</translation>
    </message>
    <message>
        <source>SCA: (data − model)/σ vs ICR</source>
        <translation>SCA: (データ − モデル)/σ vs ICR</translation>
    </message>
    <message>
        <source>PNG image (*.png)</source>
        <translation>PNG 画像 (*.png)</translation>
    </message>
    <message>
        <source>SVG image (*.svg)</source>
        <translation>SVG 画像 (*.svg)</translation>
    </message>
    <message>
        <source>Copy image</source>
        <translation>画像をコピー</translation>
    </message>
    <message>
        <source>Save image…</source>
        <translation>画像を保存…</translation>
    </message>
    <message>
        <source>Save data…</source>
        <translation>データを保存…</translation>
    </message>
    <message>
        <source>%1 holds measurement points and is not overwritten.</source>
        <translation>%1 には測定点が含まれているため、上書きしません。</translation>
    </message>
    <message>
        <source>The plot could not be written to %1.</source>
        <translation>プロットを %1 に書き込めませんでした。</translation>
    </message>
</context>
<context>
    <name>ColumnMappingDialog</name>
    <message>
        <source>Columns of a scan file</source>
        <translation>スキャンファイルの列</translation>
    </message>
    <message>
        <source>Scan</source>
        <translation>スキャン</translation>
    </message>
    <message>
        <source>I0</source>
        <translation>I0</translation>
    </message>
    <message>
        <source>ICR (input counts)</source>
        <translation>ICR（入力カウント）</translation>
    </message>
    <message>
        <source>SCA (output counts)</source>
        <translation>SCA（出力カウント）</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>時間</translation>
    </message>
    <message>
        <source>{n} stands for the channel number from 1: ICR{n} reads ICR1, ICR2, … as far as they go. A name without {n} of a two-dimensional dataset [point, channel] gives every channel. With a time, every value is divided by it.</source>
        <translation>{n} は 1 から始まるチャンネル番号を表します。ICR{n} は ICR1、ICR2、… をある限り読みます。{n} を含まない名前の 2 次元データセット [点, チャンネル] は全チャンネルを与えます。時間を指定すると、すべての値をその時間で割ります。</translation>
    </message>
    <message>
        <source>Dataset</source>
        <translation>データセット</translation>
    </message>
    <message>
        <source>Shape</source>
        <translation>形状</translation>
    </message>
    <message>
        <source>blank-separated text</source>
        <translation>空白区切りテキスト</translation>
    </message>
    <message>
        <source>%1 (%2)</source>
        <translation>%1（%2）</translation>
    </message>
    <message>
        <source>The mapping is used for all %1 scan files of this selection, and the scan chosen for each SPEC file of several.</source>
        <translation>この対応付けは、選択した %1 個のスキャンファイルすべてに使われます。複数のスキャンを含む SPEC ファイルには、選んだスキャンが使われます。</translation>
    </message>
    <message>
        <source>one value</source>
        <translation>値 1 個</translation>
    </message>
    <message>
        <source>%1, not numbers</source>
        <translation>%1、数値ではありません</translation>
    </message>
    <message>
        <source>%1: %2 (rows: %3)</source>
        <translation>%1: %2（%3 行）</translation>
    </message>
    <message>
        <source>none</source>
        <translation>なし</translation>
    </message>
    <message>
        <source>Name the columns of I0, ICR and SCA.</source>
        <translation>I0、ICR、SCA の列を指定してください。</translation>
    </message>
    <message>
        <source>{n} stands for a channel: only ICR and SCA take it.</source>
        <translation>{n} はチャンネルを表すため、ICR と SCA にだけ使えます。</translation>
    </message>
    <message>
        <source>%1 counts clock ticks (12.5 ns each), not seconds: the constants come out in ticks.</source>
        <translation>%1 は秒ではなくクロック数（1 クロック 12.5 ns）を数えます。定数はクロック単位になります。</translation>
    </message>
    <message>
        <source>These counts are rates already; they need no time.</source>
        <translation>これらのカウントはすでにレートなので、時間は不要です。</translation>
    </message>
    <message>
        <source>Without a time, the values are taken as they stand.</source>
        <translation>時間を指定しない場合、値はそのまま使われます。</translation>
    </message>
</context>
<context>
    <name>PointSet</name>
    <message>
        <source>Fitted over %1 points.</source>
        <translation>%1 点でフィット。</translation>
    </message>
</context>
<context>
    <name>ResultTexts</name>
    <message>
        <source>Channel</source>
        <translation>チャンネル</translation>
    </message>
    <message>
        <source>τ0 (µs)</source>
        <translation>τ0 (µs)</translation>
    </message>
    <message>
        <source>± τ0 (µs)</source>
        <translation>± τ0 (µs)</translation>
    </message>
    <message>
        <source>τ (µs)</source>
        <translation>τ (µs)</translation>
    </message>
    <message>
        <source>± τ (µs)</source>
        <translation>± τ (µs)</translation>
    </message>
    <message>
        <source>Model (preAmp)</source>
        <translation>モデル (preAmp)</translation>
    </message>
    <message>
        <source>Model (Amp)</source>
        <translation>モデル (Amp)</translation>
    </message>
    <message>
        <source>χ²/ν (preAmp)</source>
        <translation>χ²/ν (preAmp)</translation>
    </message>
    <message>
        <source>χ²/ν (Amp)</source>
        <translation>χ²/ν (Amp)</translation>
    </message>
    <message>
        <source>Loss (preAmp) %</source>
        <translation>損失 (preAmp) %</translation>
    </message>
    <message>
        <source>Loss (Amp) %</source>
        <translation>損失 (Amp) %</translation>
    </message>
    <message>
        <source>Warnings</source>
        <translation>警告</translation>
    </message>
    <message>
        <source>Standard error of the constant, from the scatter of the points about the curve</source>
        <translation>定数の標準誤差 (曲線のまわりの点のばらつきから求めたもの)</translation>
    </message>
    <message>
        <source>Reduced chi-square: about 1 when the points scatter as counting allows, well above 1 when something else adds scatter</source>
        <translation>換算カイ二乗: 点のばらつきが計数統計どおりなら 1 程度、ほかの原因でばらつきが増えていれば 1 を大きく超えます</translation>
    </message>
    <message>
        <source>Share of the events the stage loses at its highest rate, on the curve of its model</source>
        <translation>最大計数率でその段が失うイベントの割合 (モデルの曲線による)</translation>
    </message>
    <message>
        <source>Rest the pointer on a cell for the full texts</source>
        <translation>セルにポインタを置くと全文が表示されます</translation>
    </message>
    <message>
        <source>quadratic</source>
        <translation>二次式</translation>
    </message>
    <message>
        <source>auto</source>
        <translation>自動</translation>
    </message>
    <message>
        <source>auto: %1</source>
        <translation>自動: %1</translation>
    </message>
    <message>
        <source>n/a</source>
        <translation>なし</translation>
    </message>
    <message>
        <source>a value is not a finite number</source>
        <translation>有限でない値があります</translation>
    </message>
    <message>
        <source>fewer than two different %1 values other than 0</source>
        <translation>0 以外の %1 の値が 2 種類未満です</translation>
    </message>
    <message>
        <source>fewer than two different %1 values above 0</source>
        <translation>0 より大きい %1 の値が 2 種類未満です</translation>
    </message>
    <message>
        <source>no %1 count above 0</source>
        <translation>%1 の計数が 0 より大きい点がありません</translation>
    </message>
    <message>
        <source>point %1</source>
        <translation>点 %1</translation>
    </message>
    <message>
        <source>point %1 (%2, line %3)</source>
        <translation>点 %1 (%2、%3 行目)</translation>
    </message>
    <message>
        <source>point %1 (%2)</source>
        <translation>点 %1 (%2)</translation>
    </message>
    <message>
        <source>%1 × highest ICR = %2, above %3: the quadratic no longer holds at the highest rates; choose an exact model</source>
        <translation>%1 × 最大 ICR = %2 が %3 を超えています。最も高い計数率では二次式は成り立ちません。厳密なモデルを選んでください</translation>
    </message>
    <message>
        <source>%1 = %2 µs lies far from the other channels&apos; (median %3 µs)</source>
        <translation>%1 = %2 µs は他のチャンネルの値 (中央値 %3 µs) から大きく離れています</translation>
    </message>
    <message>
        <source>%1: SCA %2 exceeds ICR %3</source>
        <translation>%1: SCA %2 が ICR %3 を超えています</translation>
    </message>
    <message>
        <source>%1 is not available: the fit is singular</source>
        <translation>%1 は得られません: フィットが特異です</translation>
    </message>
    <message>
        <source>%1 is not available: %2</source>
        <translation>%1 は得られません: %2</translation>
    </message>
    <message>
        <source>I0 spans only %1 to %2 (a factor of %3, less than %4): τ0 cannot be determined from this scan</source>
        <translation>I0 の範囲が %1 〜 %2 (%3 倍、%4 倍未満) しかありません。このスキャンからは τ0 を決められません</translation>
    </message>
    <message>
        <source>ICR spans only %1 to %2 (a factor of %3, less than %4): τ cannot be determined from this scan</source>
        <translation>ICR の範囲が %1 〜 %2 (%3 倍、%4 倍未満) しかありません。このスキャンからは τ を決められません</translation>
    </message>
    <message>
        <source>%1 = %2 µs is negative, which no dead time is: the counts do not fall as a dead time makes them</source>
        <translation>%1 = %2 µs が負です。不感時間は負になりません。計数が不感時間による減り方をしていません</translation>
    </message>
    <message>
        <source>χ²/ν = %1, above %2: the points scatter more than counting allows</source>
        <translation>χ²/ν = %1 が %2 を超えています。点のばらつきが計数統計で許される以上です</translation>
    </message>
    <message>
        <source>; farthest off: %1, %2 standard deviations</source>
        <translation>。最も外れた点: %1、標準偏差の %2 倍</translation>
    </message>
    <message>
        <source>%1: I0 = %2 is not above 0: the point says nothing about a dead time</source>
        <translation>%1: I0 = %2 が 0 以下です。この点から不感時間はわかりません</translation>
    </message>
    <message>
        <source> (%1 such points)</source>
        <translation> (該当 %1 点)</translation>
    </message>
    <message>
        <source>%1 has %2 channels where the points before it had %3: only the channels every point has are fitted</source>
        <translation>%1 のチャンネル数は %2 ですが、それまでの点は %3 でした。すべての点にあるチャンネルだけをフィットします</translation>
    </message>
    <message>
        <source>high loss</source>
        <translation>損失大</translation>
    </message>
    <message>
        <source>outlier</source>
        <translation>外れ値</translation>
    </message>
    <message>
        <source>SCA &gt; ICR</source>
        <translation>SCA &gt; ICR</translation>
    </message>
    <message>
        <source>not available</source>
        <translation>算出不可</translation>
    </message>
    <message>
        <source>I0 range</source>
        <translation>I0 範囲</translation>
    </message>
    <message>
        <source>ICR range</source>
        <translation>ICR 範囲</translation>
    </message>
    <message>
        <source>negative</source>
        <translation>負の値</translation>
    </message>
    <message>
        <source>poor fit</source>
        <translation>適合不良</translation>
    </message>
    <message>
        <source>bias</source>
        <translation>一次近似の偏り</translation>
    </message>
    <message>
        <source>I0 ≤ 0</source>
        <translation>I0 ≤ 0</translation>
    </message>
    <message>
        <source>channels</source>
        <translation>チャンネル数</translation>
    </message>
    <message>
        <source>%1 not available: %2</source>
        <translation>%1 は得られません: %2</translation>
    </message>
    <message>
        <source>… and %1 more warnings in the results table</source>
        <translation>… ほか %1 件の警告は結果一覧にあります</translation>
    </message>
    <message>
        <source>τ0 %1 (µs)</source>
        <translation>τ0 %1 (µs)</translation>
    </message>
    <message>
        <source>τ %1 (µs)</source>
        <translation>τ %1 (µs)</translation>
    </message>
    <message>
        <source>The exact model&apos;s constant whichever model is chosen: where the two differ by more than their errors, the choice matters</source>
        <translation>選んだモデルにかかわらず表示する厳密なモデルの定数。二つが誤差以上に違うときはモデルの選択が結果を左右します</translation>
    </message>
    <message>
        <source>paralyzable</source>
        <translation>まひ型</translation>
    </message>
    <message>
        <source>nonparalyzable</source>
        <translation>非まひ型</translation>
    </message>
    <message>
        <source>hybrid</source>
        <translation>混合型</translation>
    </message>
    <message>
        <source>the %1 fit did not converge</source>
        <translation>%1 のフィットが収束しませんでした</translation>
    </message>
    <message>
        <source>the best %1 curve loses more than 99 % of the counts at the top point</source>
        <translation>最良の %1 曲線は最上点で計数の 99 % 以上を失います</translation>
    </message>
    <message>
        <source>the points do not fix the %1 curve&apos;s coefficients</source>
        <translation>これらの点では %1 曲線の係数が決まりません</translation>
    </message>
    <message>
        <source>undetermined</source>
        <translation>決定不能</translation>
    </message>
    <message>
        <source>fewer than two %1 values above 0</source>
        <translation>0 より大きい %1 の値が 2 つ未満です</translation>
    </message>
    <message>
        <source>%1 spans only %2×, less than %3×</source>
        <translation>%1 の範囲が %2 倍しかなく、%3 倍未満です</translation>
    </message>
    <message>
        <source>no standard error can be had from %1 points</source>
        <translation>%1 点からは標準誤差が得られません</translation>
    </message>
    <message>
        <source>its standard error is more than half of it</source>
        <translation>標準誤差が値の半分を超えています</translation>
    </message>
    <message>
        <source>%1: %2; %3: %4</source>
        <translation>%1: %2、%3: %4</translation>
    </message>
    <message>
        <source>on the %1 curve fitted to these points the quadratic&apos;s %2 runs %3 µs off, more than its standard error of %4 µs: choose an exact model</source>
        <translation>これらの点にフィットした %1 曲線では、二次式の %2 は %3 µs ずれ、その標準誤差 %4 µs を超えます。厳密なモデルを選んでください</translation>
    </message>
    <message>
        <source>%1 is undetermined: its standard error of %2 µs is more than half of it</source>
        <translation>%1 は決定不能です: 標準誤差 %2 µs が値の半分を超えています</translation>
    </message>
    <message>
        <source>the data do not decide between %1 and %2 (Δχ² = %3 times the scatter, below %4): their mean is shown, its error widened by half their difference of %5 µs</source>
        <translation>データからは %1 と %2 のどちらとも決められません (Δχ² はばらつきの %3 倍で %4 未満)。平均を表示し、誤差は差 %5 µs の半分だけ広げています</translation>
    </message>
    <message>
        <source>%1 points lie past the top of the %2 curve (highest rate %3), the first %4: there a count rate has two true rates</source>
        <translation>%1 点が %2 曲線の頂点 (最大計数率 %3) を越えています (最初は %4)。そこでは一つの計数率に二つの真の計数率が対応します</translation>
    </message>
    <message>
        <source>models undecided</source>
        <translation>モデル未決</translation>
    </message>
    <message>
        <source>past peak</source>
        <translation>頂点超え</translation>
    </message>
    <message>
        <source>%1 undetermined: %2</source>
        <translation>%1 は決定不能: %2</translation>
    </message>
    <message>
        <source>%1 is undetermined: no standard error can be had</source>
        <translation>%1 は決定不能です: 標準誤差が得られません</translation>
    </message>
    <message>
        <source>auto: mean</source>
        <translation>自動: 平均</translation>
    </message>
    <message>
        <source>SCA exceeds ICR at %1 more points</source>
        <translation>ほかに %1 点で SCA が ICR を超えています</translation>
    </message>
</context>
<context>
    <name>ScanFileProblems</name>
    <message>
        <source>the time</source>
        <translation>時間</translation>
    </message>
    <message>
        <source>%1 cannot be opened.</source>
        <translation>%1 を開けません。</translation>
    </message>
    <message>
        <source>%1 is larger than %2 MB, more than a scan file holds.</source>
        <translation>%1 は %2 MB を超えており、スキャンファイルとしては大きすぎます。</translation>
    </message>
    <message>
        <source>%1 cannot be read as an HDF5 file.</source>
        <translation>%1 を HDF5 ファイルとして読めません。</translation>
    </message>
    <message>
        <source>%1 cannot be read as a scan file.</source>
        <translation>%1 をスキャンファイルとして読めません。</translation>
    </message>
    <message>
        <source>%1 holds %2 scans; load it on its own to choose one.</source>
        <translation>%1 には %2 個のスキャンがあります。このファイルだけを読み込んでスキャンを選んでください。</translation>
    </message>
    <message>
        <source>%1 has no scan %2.</source>
        <translation>%1 にスキャン %2 はありません。</translation>
    </message>
    <message>
        <source>%1 has no dataset “%2” for %3.</source>
        <translation>%1 に %3 のデータセット「%2」はありません。</translation>
    </message>
    <message>
        <source>%1 has no column “%2” for %3.</source>
        <translation>%1 に %3 の列「%2」はありません。</translation>
    </message>
    <message>
        <source>In %1, “%2” cannot be used for %3.</source>
        <translation>%1 の「%2」は %3 に使えません。</translation>
    </message>
    <message>
        <source>In %1, ICR gives %2 channels but SCA gives %3.</source>
        <translation>%1 では ICR が %2 チャンネル、SCA が %3 チャンネルで、一致しません。</translation>
    </message>
    <message>
        <source>%1 cannot be read.</source>
        <translation>%1 を読めません。</translation>
    </message>
    <message>
        <source>%1 gives no measurement point.</source>
        <translation>%1 から測定点が得られません。</translation>
    </message>
    <message>
        <source>Some rows or points of %1 were skipped; the others are loaded.</source>
        <translation>%1 の一部の行または点を読み飛ばしました。残りは読み込みました。</translation>
    </message>
</context>
</TS>
