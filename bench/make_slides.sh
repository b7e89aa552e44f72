#!/usr/bin/env bash
# Writes a slide deck for presentation_bench: 40 slides of 160 x 90 mm (16:9), each with a
# coloured title bar, a list, a formula, coloured figures and links, made with pdflatex (the
# beamer class when it is installed, else plain LaTeX laid out as slides).
#   bench/make_slides.sh OUT.pdf
set -euo pipefail
out=${1:?usage: make_slides.sh OUT.pdf}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
slides=${slides:-40}
if kpsewhich beamer.cls > /dev/null; then
  {
    echo '\documentclass{beamer}\usetheme{Madrid}\begin{document}'
    for ((i = 1; i <= slides; i++)); do
      cat << SLIDE
\begin{frame}{Slide $i: results of part $i}
\begin{itemize}\item The first point of slide $i \item A formula: \$\\int_0^{$i} x^2\\,dx = \\frac{$i^3}{3}\$
\item \hyperlink{slide1}{Back to the start}\end{itemize}
\begin{columns}\column{0.5\textwidth}\rule{2cm}{1cm}\column{0.5\textwidth}Text beside the figure on slide $i.\end{columns}
\end{frame}
SLIDE
    done
    echo '\end{document}'
  } > "$work/slides.tex"
else
  {
    echo '\documentclass[11pt]{article}'
    echo '\usepackage[paperwidth=160mm,paperheight=90mm,margin=8mm]{geometry}'
    echo '\usepackage{color}\usepackage{hyperref}\pagestyle{empty}\begin{document}'
    for ((i = 1; i <= slides; i++)); do
      cat << SLIDE
\noindent\colorbox[rgb]{0.1,0.2,0.5}{\parbox{\dimexpr\textwidth-2\fboxsep}{\color{white}\Large\bfseries Slide $i: results of part $i}}\hypertarget{s$i}{}
\begin{itemize}\item The first point of slide $i, with \textbf{bold} and \emph{slanted} words.
\item A formula: \$\\int_0^{$i} x^2\\,dx = \\frac{$i^3}{3}\$ and \$\\sum_{k=1}^{n} k = \\frac{n(n+1)}{2}\$.
\item \hyperlink{s1}{Back to the first slide}\end{itemize}
\noindent{\color[rgb]{0.8,0.1,0.1}\rule{25mm}{12mm}}\hspace{3mm}{\color[rgb]{0.1,0.6,0.2}\rule{25mm}{18mm}}\hspace{3mm}{\color[rgb]{0.9,0.7,0.1}\rule{25mm}{8mm}}
\newpage
SLIDE
    done
    echo '\end{document}'
  } > "$work/slides.tex"
fi
(cd "$work" && pdflatex -interaction=batchmode slides.tex > /dev/null && pdflatex -interaction=batchmode slides.tex > /dev/null)
cp "$work/slides.pdf" "$out"
echo "$out: $slides slides"
